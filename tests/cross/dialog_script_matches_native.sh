#!/bin/sh
# A user's settings made in the dialogs: our host operates each module's real
# dialog with keyboard and mouse input (a dialog script: set fields, click spin
# arrows, press OK), and the module's final image must be the bytes that the
# native command-line renderer gives with the same --set values.
# Usage: dialog_script_matches_native.sh <kelvo-render> <win64|win32 build folder> <work folder>
# Exits 77 (skipped) when the build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
render="$1"
build="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tests/cross/windows_build.sh"
mkdir -p "$work"
# Input goes to the foreground window of the prefix's desktop: a prefix of its
# own, so that no other test's dialog takes the keys.
wine_run() { "$root/cmake/wine-run.sh" --prefix="$build/wineprefix-input" --arch="$arch" "$@"; }

# Halvane: X and Y typed, a hue typed, Flare Size stepped up twice from 10.00,
# Tab to leave the last field, OK.
"$render" --no-progress --set positionX=470 --set positionY=90 --set raysHue=0.3 --set flareSize=11 \
  "$root/samples/dusk.png" "$work/flare-native.ppm"
wine_run "$host" "$build/modules/Halvane.8bf" "$root/samples/dusk.png" "$work/flare-dialog.ppm" \
  --dialog-script "set positionX=470; set positionY=90; set raysHue=0.3; spin-up flareSize 2; tab; ok" \
  > "$work/flare-dialog.log"
grep -q "operated by the script, ended 1" "$work/flare-dialog.log"
cmp "$work/flare-native.ppm" "$work/flare-dialog.ppm"

# Emberlit: the three lower bounds typed, the level stepped down once, OK.
"$render" --filter glow --no-progress --set redLower=120 --set greenLower=90 --set blueLower=140 \
  --set glowLevel=9 "$root/samples/dusk.png" "$work/glow-native.ppm"
wine_run "$host" "$build/modules/Emberlit.8bf" "$root/samples/dusk.png" "$work/glow-dialog.ppm" \
  --dialog-script "set redLower=120; set greenLower=90; set blueLower=140; spin-down glowLevel; ok" \
  > "$work/glow-dialog.log"
grep -q "operated by the script, ended 1" "$work/glow-dialog.log"
cmp "$work/glow-native.ppm" "$work/glow-dialog.ppm"

expect_filters_drew "$work/flare-native.ppm" "$work/glow-native.ppm"
echo "settings made in the $(basename "$build") dialogs render the native renderer's bytes"
