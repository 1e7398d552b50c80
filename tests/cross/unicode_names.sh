#!/bin/sh
# Names outside the ANSI code page, each beside its best-fit twin, in a folder
# named outside it too, given to kelvo-render.exe and kelvo-host.exe of one
# Windows build under Wine: the files named are the ones written and read,
# and the twins stay as they were.
# Usage: unicode_names.sh <kelvo-render> <win64|win32 build folder> <work folder>
# Exits 77 (skipped) when the build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
render="$1"
build="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tests/cross/windows_build.sh"
exe="$build/bin/kelvo-render.exe"
wine_run() { "$root/cmake/wine-run.sh" --prefix="$build/wineprefix" --arch="$arch" "$@"; }

dir="$work/日本語"
rm -rf "$work"
mkdir -p "$dir"
for twin in victim.png victim.lns full.ppm; do printf 'twin' > "$dir/$twin"; done

# Written: an image and a settings file under their own names.
wine_run "$exe" --no-progress --set positionX=470 --save-settings "$dir/vīctim.lns" \
  "$root/samples/dusk.png" "$dir/vīctim.png"
# Read: the settings file, whose twin is no settings file at all.
wine_run "$exe" --no-progress --settings "$dir/vīctim.lns" "$root/samples/dusk.png" "$dir/ｆｕｌｌ.ppm"
wine_run "$host" "$build/modules/Halvane.8bf" "$root/samples/dusk.png" "$dir/host-ｆｕｌｌ.ppm" \
  --settings "$dir/vīctim.lns" > "$work/host.log"

"$render" --no-progress --set positionX=470 "$root/samples/dusk.png" "$work/native.ppm"
cmp "$work/native.ppm" "$dir/ｆｕｌｌ.ppm"
cmp "$work/native.ppm" "$dir/host-ｆｕｌｌ.ppm"
[ "$(wc -c < "$dir/vīctim.lns")" -eq 185 ]
[ -s "$dir/vīctim.png" ]
for twin in victim.png victim.lns full.ppm; do [ "$(cat "$dir/$twin")" = twin ]; done
echo "the $label programs under Wine write and read the files named, not their twins"
