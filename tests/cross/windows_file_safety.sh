#!/bin/sh
# kelvo-render.exe of one Windows build under Wine, on what only Windows does
# with file names and files: names that differ only in case are one file, a
# read-only target is refused, and reserved device names are refused as
# such; the Win32 build refuses, from its header, an image larger than its
# address space holds. Nothing is written in any of these runs.
# Usage: windows_file_safety.sh <kelvo-render> <win64|win32 build folder> <work folder>
# Exits 77 (skipped) when the build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
work="$3"
build="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tests/cross/windows_build.sh"
exe="$build/bin/kelvo-render.exe"

rm -rf "$work"
mkdir -p "$work/b1" "$work/b2" "$work/od"
cp "$root/samples/dusk.png" "$work/b1/A.png"
cp "$root/samples/dusk.png" "$work/b2/a.png"
printf 'old' > "$work/locked.png"
chmod a-w "$work/locked.png"
# A 9000 x 9000 16-bit RGBA PNG header, without pixels: the size alone decides.
python3 - "$work/deep.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
header = struct.pack('>IIBBBBB', 9000, 9000, 16, 6, 0, 0, 0)
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IEND', b''))
PY
snapshot() { (cd "$work" && find . -type f ! -name '*.log' | sort | xargs md5sum); }
before="$(snapshot)"

# expect STATUS TEXT ARGS...: the run ends with STATUS and says TEXT.
expect() {
  want="$1" text="$2"
  shift 2
  status=0
  "$root/cmake/wine-run.sh" --prefix="$build/wineprefix" --arch="$arch" "$exe" --no-progress "$@" \
    > "$work/run.log" 2>&1 || status=$?
  tr -d '\r' < "$work/run.log" > "$work/said.log"
  if [ "$status" -ne "$want" ] || ! grep -qF "$text" "$work/said.log"; then
    echo "kelvo-render.exe $*: status $status (wanted $want), said:" >&2
    cat "$work/said.log" >&2
    exit 1
  fi
}

expect 2 "would both be written as" --out-dir "$work/od" "$work/b1/A.png" "$work/b2/a.png"
expect 1 "it is read-only" "$work/b1/A.png" "$work/locked.png"
for name in nul.png aux.png CON com1.png; do
  expect 1 "it is a reserved device name" --format png "$work/b1/A.png" "$work/$name"
done
expect 1 "it is a reserved device name" --save-settings "$work/prn.lns"
if [ "$label" = Win32 ]; then
  expect 1 "2 GiB address space of a 32-bit program" "$work/deep.png" "$work/od/deep.png"
else
  expect 1 "cannot decode PNG" "$work/deep.png" "$work/od/deep.png"
fi
[ "$before" = "$(snapshot)" ]
echo "the $label kelvo-render.exe refuses, and writes nothing for, what only Windows names alike"
