#!/bin/sh
# Renders the same image with the same settings twice: once natively through
# the command-line renderer, once through the real modules of one Windows
# build, loaded by that build's own host under Wine (64-bit Wine for x64,
# 32-bit Wine for Win32). The two outputs must be the same bytes.
# Usage: module_matches_native.sh <kelvo-render> <win64|win32 build folder> <work folder>
# Exits 77 (skipped) when the build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
render="$1"
build="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tests/cross/windows_build.sh"

mkdir -p "$work"
wine_run() { "$root/cmake/wine-run.sh" --prefix="$build/wineprefix" --arch="$arch" "$@"; }

# Halvane with a flare that reaches every element into the picture.
"$render" --save-settings "$work/compare.lns" --set positionX=470 --set positionY=90 --set raysHue=0.3
"$render" --settings "$work/compare.lns" --no-progress "$root/samples/dusk.png" "$work/flare-native.ppm"
wine_run "$host" "$build/modules/Halvane.8bf" "$root/samples/dusk.png" "$work/flare-module.ppm" \
  --settings "$work/compare.lns" > "$work/flare-host.log"
cmp "$work/flare-native.ppm" "$work/flare-module.ppm"

# Emberlit with its defaults.
"$render" --filter glow --no-progress "$root/samples/dusk.png" "$work/glow-native.ppm"
wine_run "$host" "$build/modules/Emberlit.8bf" "$root/samples/dusk.png" "$work/glow-module.ppm" \
  > "$work/glow-host.log"
cmp "$work/glow-native.ppm" "$work/glow-module.ppm"

expect_filters_drew "$work/flare-native.ppm" "$work/glow-native.ppm"
echo "the $label modules under Wine give the native renderer's bytes"
