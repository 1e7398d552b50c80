#!/usr/bin/env python3
"""Writes docs/images/preset-two-sizes.png: the star preset through
`kelvo-render --scale-from 640` on two photos, the 640 x 400 sample and a
1600 x 1000 scene made the same way, shown side by side at half size so
their sizes compare. Standard library and kelvo-render only.
Usage: scripts/make_scale_picture.py build/native/bin/kelvo-render"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_sample  # noqa: E402


def read_ppm(path):
    data = open(path, "rb").read()
    fields = data.split(maxsplit=4)
    w, h = int(fields[1]), int(fields[2])
    pixels = fields[4] if len(fields[4]) == w * h * 3 else data[-w * h * 3:]
    return w, h, pixels


def halved(w, h, px):
    out = bytearray()
    for y in range(0, h - 1, 2):
        for x in range(0, w - 1, 2):
            for c in range(3):
                s = sum(px[((y + dy) * w + x + dx) * 3 + c] for dy in (0, 1) for dx in (0, 1))
                out.append((s + 2) // 4)
    return w // 2, h // 2, bytes(out)


def main(program, out_path):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with tempfile.TemporaryDirectory() as tmp:
        photos = [os.path.join(root, "samples", "dusk.png"), os.path.join(tmp, "large.png")]
        make_sample.W, make_sample.H = 1600, 1000
        make_sample.main(photos[1])
        results = []
        for i, photo in enumerate(photos):
            out = os.path.join(tmp, "out%d.ppm" % i)
            subprocess.run([program, "--settings", os.path.join(root, "presets", "star.lns"), "--scale-from", "640",
                            photo, out, "--no-progress"], check=True)
            results.append(halved(*read_ppm(out)))
    gap = 16
    (w0, h0, p0), (w1, h1, p1) = results
    W, H = w0 + gap + w1, max(h0, h1)
    rows = bytearray()
    for y in range(H):
        rows.append(0)
        for w, h, px in ((w0, h0, p0), (None, None, None), (w1, h1, p1)):
            if w is None:
                rows += b"\xff" * (gap * 3)
            elif y < H - h:
                rows += b"\xff" * (w * 3)
            else:
                rows += px[(y - (H - h)) * w * 3:(y - (H - h) + 1) * w * 3]

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    with open(out_path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "docs/images/preset-two-sizes.png")
