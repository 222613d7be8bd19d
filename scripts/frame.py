#!/usr/bin/env python3
# What the game shows, for the end-to-end tests and scripts/screenshot.
#
#   frame.py layout DATAFILE   "INDEX START BODY" for every object of an unpacked data file
#   frame.py icon PIXMAP MASK  the window's icon (the ids WM_HINTS names) as a PPM on standard
#                              output, transparent pixels magenta; on a 24-bit screen
#   frame.py read DATAFILE     for each line "WINDOW.ppm [X Y]" on standard input, the window
#                              sampled back to the game's 640 x 480 frame as the game stretched
#                              it, and one line of shell assignments of what the frame shows:
#     SCORE      pixels of the score's colour in the score corner: more digits, more pixels
#     GAME_OVER  1 when red letters on a white band stand where "GAME OVER" is centred
#     BEAM       pixels of the placement beams, which show while a squad command is armed
#     ENEMIES    the ground enemies' centres by their violet shades, "X,Y X,Y ..." from the left
#     SKY SKY_SHARE  the commonest colour "R,G,B" of frame rows 20..59, always sky; its share, %
#     MAGENTA    pixels of the mask colour, which must never show
#     BUSY       how much goes on: bullets, flyers, shots, enemies, a kill; warnings count less
#     CURSOR BOX_CURSOR  with X Y: % of the opaque pixels of the pointer image (object 5) and of
#                the one over squad boxes (object 6) found with their corner at (X, Y)
import collections
import ctypes
import math
import re
import sys

VIOLET = [(56, 22, 66), (104, 46, 124), (164, 86, 184), (218, 158, 228)]
BEAMS = [(110 + 20 * k, 110 + 20 * k, 20 * k) for k in range(7)] + [
    (20 * k, 20 * k, 110 + 20 * k) for k in range(7)]


def layout(path):
    data = open(path, "rb").read()
    number = lambda at, size=4: int.from_bytes(data[at:at + size], "big", signed=True)
    pos, objects = 12, []
    for _ in range(number(8) if data[:8] == b"slh.ALL." else -1):
        start = pos
        while data[pos:pos + 4] == b"prop":
            pos += 12 + number(pos + 8)
        assert number(pos + 4) == number(pos + 8), "a packed object"
        objects.append((start, pos + 12))
        pos += 12 + number(pos + 4)
    assert pos == len(data), "not an unpacked data file, or one that ends before %d" % pos
    return data, objects, number


def icon(pixmap, mask):
    c, x11 = ctypes, ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = x11.XGetImage.restype = c.c_void_p
    x11.XGetGeometry.argtypes = [c.c_void_p, c.c_ulong] + [c.c_void_p] * 7
    x11.XGetImage.argtypes = [c.c_void_p, c.c_ulong, c.c_int, c.c_int, c.c_uint, c.c_uint,
                              c.c_ulong, c.c_int]
    x11.XGetPixel.argtypes, x11.XGetPixel.restype = [c.c_void_p, c.c_int, c.c_int], c.c_ulong
    display, root, at, size = x11.XOpenDisplay(None), c.c_ulong(), c.c_int(), (c.c_uint * 4)()
    assert display and x11.XGetGeometry(display, pixmap, c.byref(root), c.byref(at), c.byref(at),
                                        *(c.byref(size, i * 4) for i in range(4))), "no pixmap"
    w, h, all_planes = size[0], size[1], c.c_ulong(-1).value
    colour, opaque = (x11.XGetImage(display, d, 0, 0, w, h, all_planes, 2) for d in (pixmap, mask))
    pixels = [x11.XGetPixel(colour, x, y) if x11.XGetPixel(opaque, x, y) else 0xff00ff
              for y in range(h) for x in range(w)]
    sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (w, h) + b"".join(
        bytes((p >> 16 & 255, p >> 8 & 255, p & 255)) for p in pixels))


# The opaque pixels of a bitmap as (x, y, RGB bytes).
def image(path, index):
    data, objects, number = layout(path)
    body = objects[index][1]
    step, w, h = 4 if number(body, 2) == -32 else 3, number(body + 2, 2), number(body + 4, 2)
    at = [body + 6 + i * step for i in range(w * h)]
    pixels = [(i % w, i // w, data[at[i]:at[i] + 3]) for i in range(w * h)]
    return [p for p in pixels if p[2] != b"\xff\x00\xff"]


# Frame pixel (x, y) is window pixel ((x + 0.5) * W / 640, (y + 0.5) * H / 480); the columns
# repeat their pattern every q frame pixels: one slice per column of the pattern and colour.
def sample(path):
    size, window = open(path, "rb").read().split(b"\n", 3)[1::2]
    w, h = map(int, size.split())
    p, q = w // math.gcd(w, 640), 640 // math.gcd(w, 640)
    body = bytearray(640 * 480 * 3)
    for y in range(480):
        start = int((y + 0.5) * h / 480) * w * 3
        row = window[start:start + w * 3]
        for j in range(q * 3):  # column j // 3 of the pattern, colour j % 3
            source = int((j // 3 + 0.5) * p / q) * 3 + j % 3
            body[y * 1920 + j:(y + 1) * 1920:3 * q] = row[source::3 * p]
    return bytes(body)


def read(path, cursors, point):
    body = sample(path)

    def count(colours, x0=0, y0=0, x1=640, y1=480):
        pattern = b"(?=" + b"|".join(re.escape(bytes(c)) for c in colours) + b")"
        spots = [divmod(m.start() // 3, 640) for m in re.finditer(pattern, body)
                 if m.start() % 3 == 0]
        return [(x, y) for y, x in spots if x0 <= x < x1 and y0 <= y < y1]

    sky = collections.Counter(body[i:i + 3] for i in range(20 * 1920, 60 * 1920, 3)).most_common(1)
    facts = {"SCORE": len(count([(225, 225, 128)], x1=200, y1=32)), "BEAM": len(count(BEAMS)),
             "GAME_OVER": int(len(count([(255, 0, 0)], 276, 235, 364, 254)) > 80 and
                              len(count([(255, 255, 255)], 276, 235, 364, 254)) > 150),
             "SKY": ",".join(map(str, sky[0][0])), "SKY_SHARE": sky[0][1] * 100 // 25600,
             "MAGENTA": len([m for m in re.finditer(b"(?=[\xf8-\xff]\x00[\xf8-\xff])", body)
                             if m.start() % 3 == 0])}
    # An enemy: violet pixels in touching 8 x 8 cells, 20 of them at least.
    cells, enemies, violet = collections.defaultdict(list), [], count(VIOLET)
    for x, y in violet:
        cells[x // 8, y // 8].append((x, y))
    while cells:
        todo, group = [next(iter(cells))], []
        while todo:
            cx, cy = todo.pop()
            group += cells.pop((cx, cy), [])
            todo += [(cx + dx, cy + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                     if (cx + dx, cy + dy) in cells]
        if len(group) >= 20:
            enemies.append(tuple(sum(c) // len(group) for c in zip(*group)))
    facts["ENEMIES"] = "'%s'" % " ".join("%d,%d" % e for e in sorted(enemies))
    bullets, flyers, shots, warnings = (len(count(c, y1=y1)) for c, y1 in (
        ([(128, 255, 128)], 480), ([(196, 218, 240)], 480), ([(32, 32, 225)], 480),
        ([(255, 225, 25), (255, 225, 125)], 360)))
    facts["BUSY"] = (2 * min(bullets, 200) + min(flyers, 300) + min(shots, 700) // 2
                     + min(len(violet), 600) // 2 + 300 * (facts["SCORE"] > 700) - 5 * warnings
                     - 100000 * facts["GAME_OVER"])
    for name, cursor in zip(("CURSOR", "BOX_CURSOR"), cursors if point else []):
        at = [((point[1] + dy) * 640 + point[0] + dx) * 3 for dx, dy, _ in cursor]
        found = [1 for a, (dx, dy, rgb) in zip(at, cursor) if 0 <= point[0] + dx < 640 and
                 0 <= point[1] + dy < 480 and body[a:a + 3] == rgb]
        facts[name] = len(found) * 100 // len(cursor)
    return " ".join("%s=%s" % f for f in facts.items())


if __name__ == "__main__":
    if sys.argv[1] == "layout":
        for index, o in enumerate(layout(sys.argv[2])[1]):
            print(index, *o)
        sys.exit()
    if sys.argv[1] == "icon":
        sys.exit(icon(int(sys.argv[2], 0), int(sys.argv[3], 0)))
    cursors = image(sys.argv[2], 5), image(sys.argv[2], 6)
    for line in sys.stdin:
        try:
            print(read(line.split()[0], cursors, tuple(map(int, line.split()[1:3]))), flush=True)
        except Exception as e:  # the test fails and says why
            print("fail %s" % repr("the frame reader: %s" % e), flush=True)
