#!/bin/sh
# Renders the same image with the same settings twice: once natively through
# the command-line renderer, once through the real x64 modules, loaded by our
# own host under 64-bit Wine. The two outputs must be the same bytes.
# Usage: module_matches_native.sh <kelvo-render> <win64 build folder> <work folder>
# Exits 77 (skipped) when the x64 build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
render="$1"
win64="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
host="$win64/tools/kelvo-host.exe"

for f in "$host" "$win64/modules/Halvane.8bf" "$win64/modules/Emberlit.8bf"; do
  if [ ! -f "$f" ]; then
    echo "missing $f: build the win64 preset first"
    [ "${KELVO_REQUIRE_MODULES:-0}" = 1 ] && exit 1 || exit 77
  fi
done

mkdir -p "$work"
wine_run() { "$root/cmake/wine-run.sh" --prefix="$win64/wineprefix" "$@"; }

# Halvane with a flare that reaches every element into the picture.
"$render" --save-settings "$work/compare.lns" --set positionX=470 --set positionY=90 --set raysHue=0.3
"$render" --settings "$work/compare.lns" --no-progress "$root/samples/dusk.png" "$work/flare-native.ppm"
wine_run "$host" "$win64/modules/Halvane.8bf" "$root/samples/dusk.png" "$work/flare-module.ppm" \
  --settings "$work/compare.lns" > "$work/flare-host.log"
cmp "$work/flare-native.ppm" "$work/flare-module.ppm"

# Emberlit with its defaults.
"$render" --filter glow --no-progress "$root/samples/dusk.png" "$work/glow-native.ppm"
wine_run "$host" "$win64/modules/Emberlit.8bf" "$root/samples/dusk.png" "$work/glow-module.ppm" \
  > "$work/glow-host.log"
cmp "$work/glow-native.ppm" "$work/glow-module.ppm"

# The filters changed the picture at all (a module that copies would pass the cmp).
! cmp -s "$root/samples/dusk.png" "$work/flare-native.ppm" >/dev/null
! cmp -s "$work/flare-native.ppm" "$work/glow-native.ppm" >/dev/null
echo "the x64 modules under Wine give the native renderer's bytes"
