#!/usr/bin/env python3
"""PNG samples for the GEGL cross test (non-interlaced grey, RGB, grey+alpha
and RGBA PNGs, 8 or 16 bits: what png-save and kelvo-render write).

  hash PNG                 width, height, channels, depth and the SHA-256 of the samples
  hash-visible PNG         the same, the colour of fully transparent pixels taken as 0
  alpha PNG                the SHA-256 of the last channel of a 2- or 4-channel PNG
  variants PNG DIR         from an 8-bit RGB PNG: rgba.png, grey.png and deep.png (16 bits,
                           varied low bytes)
  preset FILE.lns          the file's settings as GEGL properties (k=v ...)
  random SEED              settings drawn within the ranges of `kelvo-render --list` (stdin)
"""
import hashlib
import random
import re
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path}: not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    assert depth in (8, 16) and not interlace, f"{path}: depth {depth}, interlace {interlace}"
    bpp = channels * depth // 8
    stride = width * bpp
    raw, out, prev = zlib.decompress(idat), bytearray(), bytearray(stride)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                a = a if pa <= pb and pa <= pc else b if pb <= pc else c
            row[i] = (row[i] + (0, a, b, (a + b) // 2, a)[kind]) & 255
        out += row
        prev = row
    samples = list(struct.unpack(f">{len(out) // 2}H", out)) if depth == 16 else list(out)
    return width, height, channels, depth, samples


def write_png(path, width, height, channels, depth, samples):
    packed = struct.pack(f">{len(samples)}H", *samples) if depth == 16 else bytes(samples)
    stride = width * channels * depth // 8
    raw = b"".join(b"\0" + packed[y * stride:(y + 1) * stride] for y in range(height))
    colour = {1: 0, 3: 2, 2: 4, 4: 6}[channels]
    chunk = lambda kind, body: struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0))
                           + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def gegl_name(name):
    return re.sub("([A-Z])", lambda m: "-" + m.group(1).lower(), name)


def main(command, *args):
    if command == "hash":
        w, h, c, d, s = read_png(args[0])
        print(w, h, c, d, hashlib.sha256(struct.pack(f">{len(s)}H", *s) if d == 16 else bytes(s)).hexdigest())
    elif command == "hash-visible":
        # As hash, with the colour of fully transparent pixels taken as 0:
        # GIMP's PNG export keeps no colour there.
        w, h, c, d, s = read_png(args[0])
        if c in (2, 4):
            s = [0 if s[i - i % c + c - 1] == 0 and i % c != c - 1 else v for i, v in enumerate(s)]
        print(w, h, c, d, hashlib.sha256(struct.pack(f">{len(s)}H", *s) if d == 16 else bytes(s)).hexdigest())
    elif command == "alpha":
        w, h, c, d, s = read_png(args[0])
        print(hashlib.sha256(bytes(s[c - 1::c])).hexdigest())
    elif command == "variants":
        w, h, c, d, s = read_png(args[0])
        assert (c, d) == (3, 8)
        pixels = [s[i:i + 3] for i in range(0, len(s), 3)]
        rgba = [v for i, p in enumerate(pixels) for v in p + [(i * 7) % 256]]
        write_png(f"{args[1]}/rgba.png", w, h, 4, 8, rgba)
        write_png(f"{args[1]}/grey.png", w, h, 1, 8, [p[1] for p in pixels])
        deep = [min(65535, v * 257 + (i * 37) % 257 - 128) if v else (i * 37) % 128 for i, v in enumerate(s)]
        write_png(f"{args[1]}/deep.png", w, h, 3, 16, deep)
    elif command == "preset":
        data = open(args[0], "rb").read()
        names = ("positionX positionY flareSize flareBright flareFalloff flareHue haloSize haloBright haloHue "
                 "reflectionsSize reflectionsBright raysCount raysBright raysRotate raysSharp raysRNoise "
                 "raysSNoise raysHue anamorphicBright anamorphicRotate anamorphicHue positionAspect").split()
        values = struct.unpack("<2i20d", data[1:1 + 168])
        print(" ".join(f"{gegl_name(n)}={v:.17g}" for n, v in zip(names, values)))
    elif command == "random":
        rng, settings = random.Random(int(args[0])), []
        for line in sys.stdin:
            m = re.match(r"\s+(\w+)\s+(integer|real|whole)\s+\S+\s+(\S+)\.\.(\S+)", line)
            if m:
                low, high = float(m.group(3)), float(m.group(4))
                value = rng.randint(int(low), int(high)) if m.group(2) != "real" else round(rng.uniform(low, high), 3)
                settings.append(f"{gegl_name(m.group(1))}={value}")
        print(" ".join(settings))


if __name__ == "__main__":
    main(*sys.argv[1:])
