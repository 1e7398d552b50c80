#!/bin/sh
# GIMP 2.10, headless, in one run with a config folder of its own: a GIMP
# plug-in of the test (gimp_test_plugin.cpp) applies kelvo:lens-flare and
# kelvo:glow to the layer of RGB, RGBA and grey images, at scale 1 and 2, and
# the "Many-rayed star" preset read from the settings file the release ships
# (scripts/make_gimp_presets.py); every result must be kelvo-render's bytes.
# Exit status 77 (skipped) without gimp-2.10 or the plug-in.
# Usage: gimp_applies_operations.sh <kelvo-render> <folder holding gegl-0.4/plug-ins> <work folder> [<test plug-in>]
set -eu
render="$1" build="$2" work="$3" plugin="${4:-}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
samples="python3 $root/tests/gegl/png_samples.py"
command -v gimp-2.10 > /dev/null || { echo "gimp-2.10 is not installed: skipped"; exit 77; }
[ -n "$plugin" ] && [ -x "$plugin" ] || { echo "the test plug-in was not built (libgimp2.0-dev): skipped"; exit 77; }

rm -rf "$work" && mkdir -p "$work/config/plug-ins" "$work/config/filters" "$work/config/gradients"
# GIMP's own folder for this run only, and our operations from the build.
export GIMP2_DIRECTORY="$work/config" XDG_DATA_HOME="$build"
cp "$plugin" "$work/config/plug-ins/"
settings="$work/config/filters/GimpGegl-kelvo-lens-flare-config.settings"
python3 "$root/scripts/make_gimp_presets.py" "$render" "$settings"
cp "$root/samples/dusk.png" "$work/rgb.png"
$samples variants "$work/rgb.png" "$work"

# NAME IMAGE "kelvo-render arguments" "operation properties": one case
cases="$work/cases"
: > "$cases"
case_() { printf '%s|%s|%s|%s\n' "$1" "$2" "$3" "$4" >> "$cases"; }
case_ flare-rgb rgb "--set positionX=300 --set positionY=90 --set raysCount=40 --set haloHue=0.5" \
  "kelvo:lens-flare position-x=300 position-y=90 rays-count=40 halo-hue=0.5"
case_ flare-rgba rgba "--set positionX=500 --set positionY=300" "kelvo:lens-flare position-x=500 position-y=300"
case_ flare-grey grey "--set positionX=100 --set positionY=350" "kelvo:lens-flare position-x=100 position-y=350"
case_ flare-scale-2 rgb "--scale 2 --set positionX=200 --set positionY=60" \
  "kelvo:lens-flare scale=2 position-x=400 position-y=120"
case_ glow-rgb rgb "--filter glow --set glowLevel=14 --set redLower=200 --set greenLower=120 --set blueLower=90" \
  "kelvo:glow glow-level=14 red-lower=200 green-lower=120 blue-lower=90"
case_ glow-scale-2 rgb "--filter glow --set glowLevel=24 --set redLower=200" \
  "kelvo:glow scale=2 glow-level=12 red-lower=200"

# One Script-Fu text for the whole run: GIMP's start-up is the slow part.
scheme=""
while IFS='|' read -r name image native props; do
  # shellcheck disable=SC2086
  "$render" $native --no-progress "$work/$image.png" "$work/$name-native.png"
  scheme="$scheme (kelvo-test-apply RUN-NONINTERACTIVE \"$work/$image.png\" \"${props%% *}\" \"${props#* }\"
    \"$work/$name-gimp.png\")"
done < "$cases"
"$render" --settings "$root/presets/star.lns" --no-progress "$work/rgb.png" "$work/preset-star-native.png"
scheme="$scheme (kelvo-test-apply-preset RUN-NONINTERACTIVE \"$work/rgb.png\" \"$settings\" \"Many-rayed star\"
  \"$work/preset-star-gimp.png\")"
gimp-2.10 -i -d -f -s --batch-interpreter=plug-in-script-fu-eval -b "$scheme" -b '(gimp-quit 0)' \
  > "$work/gimp.log" 2>&1 || true

failed=0
for name in $(cut -d'|' -f1 "$cases") preset-star; do
  if [ -f "$work/$name-gimp.png" ] &&
     [ "$($samples hash-visible "$work/$name-native.png")" = "$($samples hash-visible "$work/$name-gimp.png")" ]
  then
    echo "same: $name"
  else
    echo "DIFFERENT or missing: $name"
    failed=1
  fi
done
[ "$failed" = 0 ] || { echo "GIMP's output:"; cat "$work/gimp.log"; exit 1; }
echo "GIMP 2.10 applies both operations and the presets with kelvo-render's bytes"
