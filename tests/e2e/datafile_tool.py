#!/usr/bin/env python3
"""Reads and damages Allegro 4 data files for the end-to-end tests.

  datafile_tool.py layout FILE             offsets of the header and of every object, one a line
  datafile_tool.py drop-last FILE OUT      the same file with its last object left out
  datafile_tool.py bitmap-size FILE OUT INDEX W H
                                           the bitmap at INDEX claims a size of W x H
  datafile_tool.py corrupt FILE OUT HOW INDEX
                                           one number of object INDEX damaged (see CORRUPTIONS)
  datafile_tool.py flip FILE OUT SEED      a damage of a random kind on a random object
  datafile_tool.py swap FILE OUT I J       objects I and J change places
  datafile_tool.py pixels FILE INDEX       a bitmap's size, then one "x y r g b" line per pixel

Numbers in the file are big-endian. A packed file ("slh!") or a packed object is expanded and
written back unpacked, which the loader accepts just the same.
"""
import random
import struct
import sys

PACKED = b"slh!"
UNPACKED = b"slh."


def lzss_unpack(data):
    """Allegro's LZSS: 4096-byte ring, 18-byte longest match, flag byte before every 8 tokens."""
    ring = bytearray(4096)
    r = 4096 - 18
    out = bytearray()
    pos = 0
    flags = 0
    while True:
        flags >>= 1
        if not flags & 256:
            if pos >= len(data):
                return bytes(out)
            flags = data[pos] | 0xFF00
            pos += 1
        if flags & 1:
            if pos >= len(data):
                return bytes(out)
            c = data[pos]
            pos += 1
            out.append(c)
            ring[r] = c
            r = (r + 1) & 4095
        else:
            if pos + 2 > len(data):
                return bytes(out)
            i, j = data[pos], data[pos + 1]
            pos += 2
            i |= (j & 0xF0) << 4
            j = (j & 0x0F) + 2
            for k in range(j + 1):
                c = ring[(i + k) & 4095]
                out.append(c)
                ring[r] = c
                r = (r + 1) & 4095


class DataFile:
    """The objects of a data file: each is (properties bytes, type id, body bytes, raw offset)."""

    def __init__(self, raw):
        if raw[:4] == PACKED:
            self.packed = True
            body = lzss_unpack(raw[4:])
        elif raw[:4] == UNPACKED:
            self.packed = False
            body = raw[4:]
        else:
            raise ValueError("not a data file")
        if body[:4] != b"ALL.":
            raise ValueError("no object table")
        (count,) = struct.unpack(">i", body[4:8])
        pos = 8
        self.objects = []
        for _ in range(count):
            start = pos
            props = bytearray()
            kind = body[pos:pos + 4]
            pos += 4
            while kind == b"prop":
                (length,) = struct.unpack(">i", body[pos + 4:pos + 8])
                props += b"prop" + body[pos:pos + 8 + length]
                pos += 8 + length
                kind = body[pos:pos + 4]
                pos += 4
            stored, expanded = struct.unpack(">ii", body[pos:pos + 8])
            pos += 8
            data = body[pos:pos + stored]
            pos += stored
            if expanded < 0:
                data = lzss_unpack(data)[:-expanded]
            self.objects.append((bytes(props), kind, bytes(data), start + 4))
        self.header_size = 4 + 8  # magic, "ALL.", count

    def write(self, path, count=None, stored=None):
        """Writes the objects unpacked; count and stored (index: size) override true sizes."""
        objects = self.objects
        out = bytearray(UNPACKED + b"ALL.")
        out += struct.pack(">i", len(objects) if count is None else count)
        for index, (props, kind, data, _) in enumerate(objects):
            size = len(data)
            if stored and index in stored:
                size = stored[index]
            out += props + kind + struct.pack(">ii", size, size) + data
        with open(path, "wb") as f:
            f.write(out)


def load(path):
    with open(path, "rb") as f:
        return DataFile(f.read())


def layout(path):
    dat = load(path)
    print("packed" if dat.packed else "unpacked")
    print("header", dat.header_size)
    for index, (props, kind, data, start) in enumerate(dat.objects):
        print("object", index, kind.decode("latin-1"), start, len(props) + 12 + len(data))


def drop_last(path, out):
    dat = load(path)
    dat.objects.pop()
    dat.write(out)


def bitmap_size(path, out, index, w, h):
    dat = load(path)
    props, kind, data, start = dat.objects[index]
    if kind != b"BMP ":
        raise ValueError("object %d is not a bitmap" % index)
    data = data[:2] + struct.pack(">hh", w, h) + data[6:]
    dat.objects[index] = (props, kind, data, start)
    dat.write(out)


CORRUPTIONS = ("bitmap-width", "bitmap-height", "bitmap-depth", "object-size", "sample-length",
               "midi-track", "count-huge", "count-negative")


def corrupt(path, out, how, index):
    """One damaged number of the kind the loader trusts blindly. index picks the object."""
    dat = load(path)
    props, kind, data, start = dat.objects[index]
    data = bytearray(data)
    stored = None
    count = None
    if how in ("bitmap-width", "bitmap-height", "bitmap-depth") and kind != b"BMP ":
        raise ValueError("object %d is not a bitmap" % index)
    if how == "bitmap-width":
        data[2:4] = struct.pack(">h", 30000)
    elif how == "bitmap-height":
        data[4:6] = struct.pack(">h", 30000)
    elif how == "bitmap-depth":
        data[0:2] = struct.pack(">h", 13)
    elif how == "object-size":
        stored = 0x7FFF0000
    elif how == "sample-length":
        if kind != b"SAMP":
            raise ValueError("object %d is not a sample" % index)
        data[4:8] = struct.pack(">i", 0x7FFFFFF0)
    elif how == "midi-track":
        if kind != b"MIDI":
            raise ValueError("object %d is not a MIDI song" % index)
        data[2:6] = struct.pack(">i", 0x7FFFFFF0)
    elif how == "count-huge":
        count = 0x7FFFFFFF
    elif how == "count-negative":
        count = -5
    else:
        raise ValueError("unknown corruption " + how)
    dat.objects[index] = (props, kind, bytes(data), start)
    dat.write(out, count=count, stored={index: stored} if stored is not None else None)


def flip(path, out, seed):
    """A corruption of a random kind on a random object that can hold it, chosen by seed."""
    dat = load(path)
    rng = random.Random(seed)
    while True:
        how = rng.choice(CORRUPTIONS)
        index = rng.randrange(len(dat.objects))
        kind = dat.objects[index][1]
        if how.startswith("bitmap-") and kind != b"BMP ":
            continue
        if how == "sample-length" and kind != b"SAMP":
            continue
        if how == "midi-track" and kind != b"MIDI":
            continue
        print(how, index)
        corrupt(path, out, how, index)
        return


def swap(path, out, i, j):
    dat = load(path)
    dat.objects[i], dat.objects[j] = dat.objects[j], dat.objects[i]
    dat.write(out)


def pixels(path, index):
    dat = load(path)
    props, kind, data, start = dat.objects[index]
    if kind != b"BMP ":
        raise ValueError("object %d is not a bitmap" % index)
    depth, w, h = struct.unpack(">hhh", data[:6])
    print(w, h)
    body = data[6:]
    if depth in (24, 32):
        step = 3
    elif depth == -32:
        step = 4
    else:
        raise ValueError("depth %d is not read here" % depth)
    for y in range(h):
        for x in range(w):
            at = (y * w + x) * step
            r, g, b = body[at], body[at + 1], body[at + 2]
            print(x, y, r, g, b)


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "layout" and len(argv) == 3:
        layout(argv[2])
    elif command == "drop-last" and len(argv) == 4:
        drop_last(argv[2], argv[3])
    elif command == "bitmap-size" and len(argv) == 7:
        bitmap_size(argv[2], argv[3], int(argv[4]), int(argv[5]), int(argv[6]))
    elif command == "corrupt" and len(argv) == 6:
        corrupt(argv[2], argv[3], argv[4], int(argv[5]))
    elif command == "flip" and len(argv) == 5:
        flip(argv[2], argv[3], int(argv[4]))
    elif command == "swap" and len(argv) == 6:
        swap(argv[2], argv[3], int(argv[4]), int(argv[5]))
    elif command == "pixels" and len(argv) == 4:
        pixels(argv[2], int(argv[3]))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
