#!/bin/sh
# The GEGL operations through the gegl tool against kelvo-render: the same
# settings on the same 8-bit image give the same bytes (RGB, RGBA with its
# alpha kept, grey), for lens-flare presets, drawn settings and glow
# settings; and a 16-bit image comes back in 16 bits, with the 8-bit render's
# change added to its own values.
# Usage: gegl_matches_native.sh <kelvo-render> <folder holding gegl-0.4/plug-ins> <work folder>
set -eu
render="$1"
export XDG_DATA_HOME="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
samples="python3 $root/tests/gegl/png_samples.py"
rm -rf "$work" && mkdir -p "$work"

gegl --exists kelvo:lens-flare
gegl --exists kelvo:glow
gegl --info kelvo:lens-flare > "$work/info.txt" 2>&1
grep -q '^rays-r-noise ' "$work/info.txt"
grep -q '^position-aspect ' "$work/info.txt"

cp "$root/samples/dusk.png" "$work/rgb.png"
$samples variants "$work/rgb.png" "$work"

failed=0
# compare NAME FILTER IMAGE [--settings FILE] -- k=v...: kelvo-render and gegl, same samples
compare() {
  name="$1" filter="$2" image="$3"
  shift 3
  settings=""
  if [ "$1" = --settings ]; then settings="--settings $2"; shift 2; fi
  shift  # --
  sets=""
  for kv in "$@"; do
    sets="$sets --set $(echo "$kv" | sed 's/-\([a-z]\)/\U\1/g')"
  done
  op=kelvo:glow
  [ "$filter" = flare ] && op=kelvo:lens-flare
  # PPM where it holds the image (the same bytes from both), PNG for alpha.
  ext=ppm save=ppm-save
  [ "$image" = rgba ] && ext=png save=png-save
  # shellcheck disable=SC2086
  "$render" --filter "$filter" $settings $sets --no-progress "$work/$image.png" "$work/$name-native.$ext"
  gegl -- load path="$work/$image.png" $op "$@" $save path="$work/$name-gegl.$ext" bitdepth=8 \
    > "$work/$name-gegl.log" 2>&1
  if [ $ext = ppm ]; then
    cmp -s "$work/$name-native.ppm" "$work/$name-gegl.ppm" && same=1 || same=0
  else
    [ "$($samples hash "$work/$name-native.png")" = "$($samples hash "$work/$name-gegl.png")" ] && same=1 || same=0
  fi
  if [ "$same" = 1 ]; then
    echo "same: $name"
  else
    echo "DIFFERENT: $name ($op $*)"
    failed=1
  fi
}

for image in rgb rgba grey; do
  for preset in star midday-sun anamorphic-streak; do
    # shellcheck disable=SC2046
    compare "$preset-$image" flare "$image" --settings "$root/presets/$preset.lns" -- \
      $($samples preset "$root/presets/$preset.lns")
  done
  for seed in 1 2; do
    # shellcheck disable=SC2046
    compare "flare-$seed-$image" flare "$image" -- \
      $("$render" --list | $samples random $seed) position-x=$((seed * 200)) position-y=$((seed * 97))
  done
  compare "glow-$image" glow "$image" -- glow-level=14 red-lower=200 green-lower=120 blue-lower=90 blue-upper=240
  # shellcheck disable=SC2046
  compare "glow-3-$image" glow "$image" -- $("$render" --filter glow --list | $samples random 3)
done
# The alpha plane passes unchanged (kelvo-render's too, so against the input).
[ "$($samples alpha "$work/rgba.png")" = "$($samples alpha "$work/star-rgba-gegl.png")" ] || failed=1
[ "$failed" = 0 ]

# 16 bits: the render's change on the reduced image, added to the original samples.
"$render" --settings "$root/presets/star.lns" --no-progress "$work/deep-reduced.png" "$work/deep-native.png"
# shellcheck disable=SC2046
gegl -- load path="$work/deep.png" kelvo:lens-flare $($samples preset "$root/presets/star.lns") \
  png-save path="$work/deep-gegl.png" bitdepth=16 > "$work/deep-gegl.log" 2>&1
$samples check-deep "$work/deep.png" "$work/deep-reduced.png" "$work/deep-native.png" "$work/deep-gegl.png"
echo "the GEGL operations give kelvo-render's bytes"
