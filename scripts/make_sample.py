#!/usr/bin/env python3
"""Writes samples/dusk.png: a dusk sky over a dark hill with a few bright
windows and street lights, an image on which both filters show well.
Deterministic, standard library only."""
import math
import random
import struct
import sys
import zlib

W, H = 640, 400


def pixel(x, y, hill, lights):
    if y < hill[x]:
        t = y / H
        r = int(30 + 170 * t ** 1.6)
        g = int(40 + 90 * t ** 2.2)
        b = int(90 + 40 * math.sin(t * math.pi))
        return r, g, min(255, b)
    return lights.get((x, y), (16 + (x * 7 + y * 3) % 9, 14, 24))


def main(path):
    rng = random.Random(7)
    hill = [int(H * 0.68 + 28 * math.sin(x / 90.0) + 12 * math.sin(x / 23.0)) for x in range(W)]
    lights = {}
    for _ in range(120):
        x, y = rng.randrange(20, W - 20), rng.randrange(0, H)
        if y <= hill[x] + 4:
            continue
        colour = rng.choice([(255, 236, 180), (255, 250, 250), (255, 200, 120), (200, 230, 255)])
        for dy in range(rng.randrange(3, 9)):
            for dx in range(rng.randrange(3, 9)):
                lights[(x + dx, y + dy)] = colour
    rows = b"".join(
        b"\0" + bytes(c for x in range(W) for c in pixel(x, y, hill, lights)) for y in range(H)
    )

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "samples/dusk.png")
