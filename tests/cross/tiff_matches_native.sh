#!/bin/sh
# TIFF files through kelvo-render.exe of one Windows build under Wine (its
# libtiff cross-built from Debian's source): a 16-bit RGB and a 32-bit float
# RGBA file written here by a few lines of Python, and an 8-bit file that the
# native program wrote with Deflate. Each render must give the native
# program's bytes.
# Usage: tiff_matches_native.sh <kelvo-render> <win64|win32 build folder> <work folder>
# Exits 77 (skipped) when the build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
render="$1"
build="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tests/cross/windows_build.sh"
exe="$build/bin/kelvo-render.exe"
wine_run() { "$root/cmake/wine-run.sh" --prefix="$build/wineprefix" --arch="$arch" "$@"; }
rm -rf "$work"
mkdir -p "$work"

python3 - "$work" <<'PY'
import struct, sys
def tiff(path, w, h, spp, bits, fmt, sample):
    data = b''.join(struct.pack('<' + ('H' if bits == 16 else 'f'), sample(i)) for i in range(w * h * spp))
    extra = struct.pack('<%dH' % spp, *[bits] * spp) + struct.pack('<%dH' % spp, *[fmt] * spp)
    entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, spp, 8 + len(data)), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, 1, 8), (277, 3, 1, spp), (278, 4, 1, h), (279, 4, 1, len(data)), (284, 3, 1, 1)]
    entries += [(338, 3, 1, 2)] if spp == 4 else []
    entries += [(339, 3, spp, 8 + len(data) + 2 * spp)]
    ifd = 8 + len(data) + len(extra)
    out = b'II*\0' + struct.pack('<I', ifd) + data + extra + struct.pack('<H', len(entries))
    for tag, typ, count, value in entries:
        out += struct.pack('<HHI', tag, typ, count) + (struct.pack('<HH', value, 0) if typ == 3 and count == 1 else struct.pack('<I', value))
    open(path, 'wb').write(out + b'\0\0\0\0')
tiff(sys.argv[1] + '/deep.tif', 64, 40, 3, 16, 1, lambda i: (i * 2654435761 >> 7) & 0xFFFF)
tiff(sys.argv[1] + '/float.tif', 64, 40, 4, 32, 3, lambda i: ((i * 2654435761 >> 9) & 0xFFFF) / 40000.0)
PY
"$render" --no-progress "$root/samples/dusk.png" "$work/dusk.tif"

for name in deep float dusk; do
  "$render" --no-progress --set positionX=30 --set positionY=20 "$work/$name.tif" "$work/native-$name.tif"
  wine_run "$exe" --no-progress --set positionX=30 --set positionY=20 "$work/$name.tif" "$work/wine-$name.tif"
  cmp "$work/native-$name.tif" "$work/wine-$name.tif"
done
expect_filters_drew "$work/native-deep.tif" "$work/deep.tif"
echo "the $label kelvo-render reads and writes 16-bit, float and Deflate TIFF files as the native one does"
