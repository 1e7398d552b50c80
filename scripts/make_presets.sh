#!/bin/sh
# Writes the preset gallery: presets/<name>.lns, each rendered on
# samples/dusk.png into docs/presets/<name>.png, and the page docs/presets.md.
# Run again after changing a preset below; the test of the gallery (cli_tests,
# PresetGallery) renders every preset file and compares with its picture.
# Usage: scripts/make_presets.sh [kelvo-render]   (default: the native build's)
set -eu
cd "$(dirname "$0")/.."
render="${1:-build/native/bin/kelvo-render}"
[ -x "$render" ] || { echo "make_presets: build kelvo-render first (cmake --preset native)" >&2; exit 1; }

rm -f presets/*.lns docs/presets/*.png
mkdir -p presets docs/presets
page=docs/presets.md
cat > "$page" <<'HEAD'
# Presets

Settings files to start from, in `presets/` (and in the release package). Load
one with the dialog's **Load Settings** button, or render with it from the
command line:

```sh
build/native/bin/kelvo-render --settings presets/soft-sunset.lns samples/dusk.png out/sunset.png
```

Each picture is the preset rendered on `samples/dusk.png` (640 × 400). The
flare's position is part of a preset: move it with the dialog's X and Y (or
`--set positionX=... --set positionY=...`) to place the light in your picture.
The pictures are made by `scripts/make_presets.sh`, and a test renders every
preset from its file and compares it with its picture.

HEAD

# The page: a table of small pictures first, then each preset with its text.
sheet="$(mktemp)" sections="$(mktemp)"
trap 'rm -f "$sheet" "$sections"' EXIT
columns=3 cell=0
printf '| | | |\n|---|---|---|\n' > "$sheet"

# preset NAME "Title" "What it is for" SETTINGS...
preset() {
  name="$1" title="$2" about="$3"
  shift 3
  sets=""
  for s in "$@"; do sets="$sets --set $s"; done
  # shellcheck disable=SC2086
  "$render" --save-settings "presets/$name.lns" $sets
  "$render" --no-progress --settings "presets/$name.lns" samples/dusk.png "docs/presets/$name.png"
  {
    echo "## $title"
    echo
    echo "$about \`presets/$name.lns\`"
    echo
    echo "![$title](presets/$name.png)"
    echo
  } >> "$sections"
  printf '| <img src="presets/%s.png" width="200" alt="%s"><br>[%s](#%s) ' "$name" "$title" "$title" \
    "$(echo "$title" | tr 'A-Z ' 'a-z-')" >> "$sheet"
  cell=$((cell + 1))
  [ $((cell % columns)) -eq 0 ] && echo "|" >> "$sheet"
  return 0
}

preset soft-sunset "Soft sunset" \
  "A warm, wide sun setting behind the hills: a soft rose-gold core, faint golden rings, gentle rays and a warm streak along the horizon." \
  positionX=330 positionY=235 flareSize=18 flareBright=18 flareFalloff=5 flareHue=0.07 \
  haloSize=14 haloBright=14 haloHue=0.1 reflectionsSize=8 reflectionsBright=8 \
  raysCount=30 raysBright=5 raysSharp=60 raysRNoise=0.6 raysSNoise=0.1 raysHue=0.08 \
  anamorphicBright=18 anamorphicHue=0.06

preset midday-sun "Hard midday sun" \
  "A small, white, blinding sun high in the sky with many strong, crisp rays and a clear halo." \
  positionX=420 positionY=55 flareSize=8 flareBright=45 flareFalloff=16 flareHue=0 \
  haloSize=6 haloBright=35 haloHue=0 reflectionsSize=10 reflectionsBright=14 \
  raysCount=48 raysBright=30 raysSharp=100 raysRNoise=0.9 raysSNoise=0.2 raysHue=0 \
  anamorphicBright=0

preset anamorphic-streak "Cool anamorphic streak" \
  "A blue light with a long horizontal streak across the frame, as a wide-screen lens draws it." \
  positionX=250 positionY=130 flareSize=6 flareBright=28 flareFalloff=18 flareHue=0.6 \
  haloSize=5 haloBright=12 haloHue=0.58 reflectionsSize=6 reflectionsBright=10 \
  raysCount=0 raysBright=0 anamorphicBright=90 anamorphicRotate=0 anamorphicHue=0.6

preset star "Many-rayed star" \
  "A sharp star of sixteen bright, clean spokes around a small white core; no halo, streak or ghosts." \
  positionX=470 positionY=110 flareSize=4 flareBright=30 flareFalloff=20 flareHue=0 \
  haloBright=0 reflectionsBright=0 \
  raysCount=16 raysBright=60 raysSharp=100 raysRNoise=0.1 raysSNoise=0 raysHue=0 \
  anamorphicBright=0

preset subtle-glint "Subtle glint" \
  "A small sparkle for a highlight: a tiny core and a few thin rays, nothing else." \
  positionX=515 positionY=320 flareSize=3 flareBright=22 flareFalloff=20 flareHue=0.12 \
  haloBright=0 reflectionsBright=0 \
  raysCount=6 raysBright=45 raysRotate=15 raysSharp=100 raysRNoise=0 raysSNoise=0 raysHue=0 \
  anamorphicBright=0

preset reflections-only "Reflections only" \
  "The light source is outside the picture: only the coloured lens reflections cross the frame." \
  positionX=620 positionY=-220 flareBright=0 haloBright=0 \
  reflectionsSize=14 reflectionsBright=35 raysBright=0 anamorphicBright=0

preset halo-ring "Cyan halo ring" \
  "A broad, bright cyan ring around a soft core, like a sun seen through thin ice cloud." \
  positionX=200 positionY=110 flareSize=10 flareBright=16 flareFalloff=8 flareHue=0.5 \
  haloSize=40 haloBright=45 haloHue=0.5 reflectionsSize=8 reflectionsBright=10 \
  raysCount=0 raysBright=0 anamorphicBright=0

preset hazy-glow "Hazy glow" \
  "A large, diffuse light without hard edges, pale at its heart and rosy around it, as a lamp seen through fog." \
  positionX=320 positionY=150 flareSize=28 flareBright=9 flareFalloff=3 flareHue=0.09 \
  haloBright=0 reflectionsBright=0 raysBright=0 anamorphicBright=0

preset moonlight "Moonlight" \
  "A cool, quiet light: a small pale-blue moon in a thin halo, without rays, streak or reflections." \
  positionX=140 positionY=70 flareSize=6 flareBright=18 flareFalloff=14 flareHue=0.58 \
  haloSize=10 haloBright=22 haloHue=0.56 reflectionsBright=0 \
  raysCount=0 raysBright=0 anamorphicBright=0

[ $((cell % columns)) -ne 0 ] && echo "|" >> "$sheet"
{ cat "$sheet"; echo; cat "$sections"; } >> "$page"
echo "make_presets: $(ls presets/*.lns | wc -l) presets written; see $page"
