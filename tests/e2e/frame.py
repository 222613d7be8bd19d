#!/usr/bin/env python3
"""What the game shows, for the end-to-end tests and scripts/screenshot.

  frame.py layout DATAFILE   the objects of an unpacked data file, "INDEX START BODY SIZE KIND"
  frame.py read DATAFILE     for each line "WINDOW.ppm [X Y]" on standard input, the window
                             sampled back to the game's 640 x 480 frame as the game stretched
                             it, one line of shell assignments:
    SCORE      pixels of the score's colour in the score corner: more digits, more pixels
    GAME_OVER  1 when red letters on a white band stand where "GAME OVER" is centred
    BEAM       pixels of the placement beams, which show while a squad command is armed
    ENEMIES    the ground enemies' centres by their violet shades, "X,Y X,Y ..." from the left
    SKY SKY_SHARE  the commonest colour "R,G,B" of frame rows 20..59, always sky; its share in %
    MAGENTA    pixels of the mask colour, which must never show
    BUSY       how much goes on: bullets, flyers, shots, enemies, a kill; low warnings count less
    CURSOR     with X Y: % of the cursor image's opaque pixels found with its corner at (X, Y)
"""
import collections
import math
import re
import sys

VIOLET = [(56, 22, 66), (104, 46, 124), (164, 86, 184), (218, 158, 228)]
BEAMS = [(110 + 20 * k, 110 + 20 * k, 20 * k) for k in range(7)] + [
    (20 * k, 20 * k, 110 + 20 * k) for k in range(7)]


def layout(path):
    data = open(path, "rb").read()
    assert data[:8] == b"slh.ALL.", "not an unpacked data file"
    number = lambda at: int.from_bytes(data[at:at + 4], "big", signed=True)
    pos, objects = 12, []
    for _ in range(number(8)):
        start = pos
        while data[pos:pos + 4] == b"prop":
            pos += 12 + number(pos + 8)
        assert number(pos + 4) == number(pos + 8), "a packed object"
        objects.append((start, pos + 12, number(pos + 4), data[pos:pos + 4].decode()))
        pos += 12 + number(pos + 4)
    assert pos == len(data), "objects end at %d of %d bytes" % (pos, len(data))
    return data, objects


def cursor_image(path):
    """The opaque pixels of the pointer image (object 5) as (x, y, RGB bytes)."""
    data, objects = layout(path)
    body = objects[5][1]
    depth, w, h = (int.from_bytes(data[body + i:body + i + 2], "big", signed=True) for i in (0, 2, 4))
    step = 4 if depth == -32 else 3
    pixels = [(i % w, i // w, data[body + 6 + i * step:body + 9 + i * step]) for i in range(w * h)]
    return [p for p in pixels if p[2] != b"\xff\x00\xff"]


def sample(path):
    """Frame pixel (x, y) is window pixel ((x + 0.5) * W / 640, (y + 0.5) * H / 480), and the
    column pattern repeats every q frame pixels: one slice per column of it and colour."""
    magic, size, depth, window = open(path, "rb").read().split(b"\n", 3)
    w, h = map(int, size.split())
    g = math.gcd(w, 640)
    p, q = w // g, 640 // g
    body = bytearray(640 * 480 * 3)
    for y in range(480):
        start = int((y + 0.5) * h / 480) * w * 3
        row = window[start:start + w * 3]
        for j in range(q):
            for c in range(3):
                body[y * 1920 + 3 * j + c:(y + 1) * 1920:3 * q] = row[3 * int((j + 0.5) * p / q) + c::3 * p]
    return bytes(body)


def read(path, cursor, point):
    body = sample(path)

    def where(colours, x0=0, y0=0, x1=640, y1=480):
        pattern = b"(?=" + b"|".join(re.escape(bytes(c)) for c in colours) + b")"
        spots = ((m.start() // 3 % 640, m.start() // 1920) for m in re.finditer(pattern, body)
                 if m.start() % 3 == 0)
        return [(x, y) for x, y in spots if x0 <= x < x1 and y0 <= y < y1]

    facts = {"SCORE": len(where([(225, 225, 128)], x1=200, y1=32))}
    facts["GAME_OVER"] = int(len(where([(255, 0, 0)], 276, 235, 364, 254)) > 80 and
                             len(where([(255, 255, 255)], 276, 235, 364, 254)) > 150)
    facts["BEAM"] = len(where(BEAMS))
    sky = body[20 * 1920:60 * 1920]
    colour, count = collections.Counter(sky[i:i + 3] for i in range(0, len(sky), 3)).most_common(1)[0]
    facts["SKY"] = ",".join(map(str, colour))
    facts["SKY_SHARE"] = count * 100 // 25600
    facts["MAGENTA"] = sum(1 for m in re.finditer(b"(?=[\xf8-\xff]\x00[\xf8-\xff])", body)
                           if m.start() % 3 == 0)
    violet = where(VIOLET)
    # An enemy: violet pixels in touching 8 x 8 cells, 20 of them at least.
    cells, enemies = collections.defaultdict(list), []
    for x, y in violet:
        cells[x // 8, y // 8].append((x, y))
    while cells:
        todo, group = [next(iter(cells))], []
        while todo:
            cx, cy = todo.pop()
            if (cx, cy) in cells:
                group += cells.pop((cx, cy))
                todo += [(cx + dx, cy + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
        if len(group) >= 20:
            enemies.append((sum(x for x, _ in group) // len(group),
                            sum(y for _, y in group) // len(group)))
    facts["ENEMIES"] = "'%s'" % " ".join("%d,%d" % e for e in sorted(enemies))
    warnings = len(where([(255, 225, 25), (255, 225, 125)], y1=360))
    facts["BUSY"] = (2 * min(len(where([(128, 255, 128)])), 200) +
                     min(len(where([(196, 218, 240)])), 300) +
                     min(len(where([(32, 32, 225)])), 700) // 2 + min(len(violet), 600) // 2 -
                     5 * warnings + 300 * (facts["SCORE"] > 700) - 100000 * facts["GAME_OVER"])
    if point:
        x, y = point
        found = sum(1 for dx, dy, rgb in cursor if 0 <= x + dx < 640 and 0 <= y + dy < 480 and
                    body[((y + dy) * 640 + x + dx) * 3:][:3] == rgb)
        facts["CURSOR"] = found * 100 // len(cursor)
    return " ".join("%s=%s" % f for f in facts.items())


def main(command, path):
    if command == "layout":
        for index, o in enumerate(layout(path)[1]):
            print(index, *o)
        return
    cursor = cursor_image(path)
    for line in sys.stdin:
        words = line.split()
        try:
            print(read(words[0], cursor, tuple(map(int, words[1:3]))), flush=True)
        except Exception as e:  # the test fails with the reason
            print("fail %s" % repr("the frame reader: %s" % e), flush=True)


if __name__ == "__main__":
    main(*sys.argv[1:])
