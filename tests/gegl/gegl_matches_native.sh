#!/bin/sh
# The GEGL operations through the gegl tool against kelvo-render: the same
# settings on the same 8-bit image give the same bytes (RGB, RGBA with its
# alpha kept, grey), for lens-flare presets, drawn settings and glow
# settings; and a 16-bit image comes back in 16 bits, the same samples as
# kelvo-render's deep render of it.
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
# After the table's properties, the two that size the filter.
gegl --info kelvo:glow > "$work/glow-info.txt" 2>&1
for info in "$work/info.txt" "$work/glow-info.txt"; do
  grep -q '^scale  .*\[gdouble\]' "$info"
  grep -q '^scale-from-width .*\[gint\]' "$info"
done

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
# The scale property against kelvo-render's --scale: the flare at scale 2 on
# the pixel (400, 120) is kelvo-render's at --scale 2 from (200, 60); a
# reference width of 320 on the 640-pixel-wide image is that scale too; the
# glow at scale 2 is its level doubled, and kelvo-render's --scale and
# --scale-from draw it as the property does, up to the widest radius.
# scaled NAME FILTER "kelvo-render arguments" gegl-properties...
scaled() {
  name="$1" filter="$2" native="$3"
  shift 3
  op=kelvo:glow
  [ "$filter" = flare ] && op=kelvo:lens-flare
  # shellcheck disable=SC2086
  "$render" --filter "$filter" $native --no-progress "$work/rgb.png" "$work/$name-native.ppm"
  gegl -- load path="$work/rgb.png" $op "$@" ppm-save path="$work/$name-gegl.ppm" bitdepth=8 \
    > "$work/$name-gegl.log" 2>&1
  if cmp -s "$work/$name-native.ppm" "$work/$name-gegl.ppm"; then echo "same: $name"; else
    echo "DIFFERENT: $name ($op $*)"; failed=1; fi
}
scaled flare-scale-2 flare "--scale 2 --set positionX=200 --set positionY=60 --set raysCount=40" \
  scale=2 position-x=400 position-y=120 rays-count=40
scaled flare-fit-320 flare "--scale 2 --set positionX=200 --set positionY=60" \
  scale-from-width=320 position-x=400 position-y=120
scaled glow-scale-2 glow "--set glowLevel=24 --set redLower=200" scale=2 glow-level=12 red-lower=200
scaled glow-cli-scale-2 glow "--scale 2 --set glowLevel=12 --set redLower=200" scale=2 glow-level=12 red-lower=200
scaled glow-fit-320 glow "--scale-from 320 --set glowLevel=12 --set redLower=200" \
  scale-from-width=320 glow-level=12 red-lower=200
scaled glow-cli-scale-8 glow "--scale 8 --set glowLevel=30 --set redLower=240" scale=8 glow-level=30 red-lower=240
# The alpha plane passes unchanged (kelvo-render's too, so against the input).
[ "$($samples alpha "$work/rgba.png")" = "$($samples alpha "$work/star-rgba-gegl.png")" ] || failed=1
[ "$failed" = 0 ]

# 16 bits: both take the deep path on the file's own samples, to the same samples.
"$render" --settings "$root/presets/star.lns" --no-progress "$work/deep.png" "$work/deep-native.png"
# shellcheck disable=SC2046
gegl -- load path="$work/deep.png" kelvo:lens-flare $($samples preset "$root/presets/star.lns") \
  png-save path="$work/deep-gegl.png" bitdepth=16 > "$work/deep-gegl.log" 2>&1
[ "$($samples hash "$work/deep-native.png")" = "$($samples hash "$work/deep-gegl.png")" ] ||
  { echo "DIFFERENT: 16-bit"; exit 1; }
echo "the GEGL operations give kelvo-render's bytes"
