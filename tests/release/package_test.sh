#!/bin/sh
# The release package as a user gets it: packs the current Win32 and x64
# builds, unpacks the archive in a fresh folder, checks its listing and its
# checksums, and runs every module from the unpacked folders through that
# build's own host under Wine (x64 under 64-bit Wine, Win32 under 32-bit
# Wine), comparing each image with the native renderer's. Halvane runs with
# every preset of the package. Given the GEGL plug-in, the package holds it
# in GIMP/ with the presets as GIMP settings, and the packaged library,
# installed in a data folder as a user installs it, renders a preset through
# the gegl tool as kelvo-render does.
# Usage: package_test.sh <kelvo-render> <version> <win32 build> <win64 build> <work folder> [<kelvo-gegl.so>]
# Exits 77 (skipped) when a build is missing, unless KELVO_REQUIRE_MODULES=1.
set -eu
render="$1" version="$2" win32="$3" win64="$4" work="$5" gegl="${6:-}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
# Every Windows program of this test in one virtual display.
[ -n "${KELVO_DISPLAY:-}" ] || exec "$root/cmake/wine-run.sh" --one-display "$0" "$@"
name="Kelvo-filters-$version"

for f in "$win32/bin/kelvo-host.exe" "$win64/bin/kelvo-host.exe" "$win32/bin/kelvo-render.exe" \
         "$win32/modules/Halvane.8bf" "$win64/modules/Emberlit.8bf"; do
  if [ ! -f "$f" ]; then
    echo "missing $f: build the win32 and win64 presets first"
    [ "${KELVO_REQUIRE_MODULES:-0}" = 1 ] && exit 1 || exit 77
  fi
done

# One version everywhere: the package name and kelvo-render --version.
[ "$("$render" --version)" = "kelvo-render $version" ]

rm -rf "$work"
mkdir -p "$work"
zip="$("$root/scripts/package.sh" "$version" "$win32" "$win64" "$work/out" ${gegl:+"$gegl" "$render"})"
[ "$zip" = "$work/out/$name.zip" ]
unpacked="$(mktemp -d "$work/unpacked.XXXXXX")"
(cd "$unpacked" && unzip -q "$zip")
pkg="$unpacked/$name"

# The listing: both builds, the presets and their pictures, the install text, the licence,
# the sums; nothing else.
expected="$work/expected-files"
{
  printf '%s\n' INSTALL.txt KELVO-RENDER.txt LICENSE.txt SHA256SUMS.txt \
    Win32/Emberlit.8bf Win32/Halvane.8bf Win32/kelvo-render.exe \
    x64/Emberlit.8bf x64/Halvane.8bf x64/kelvo-render.exe
  [ -z "$gegl" ] || printf '%s\n' GIMP/kelvo-gegl.so GIMP/GimpGegl-kelvo-lens-flare-config.settings
  for p in "$root"/presets/*.lns; do echo "presets/$(basename "$p")"; echo "presets/$(basename "$p" .lns).png"; done
} | LC_ALL=C sort > "$expected"
(cd "$pkg" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > "$work/files"
diff "$expected" "$work/files"

# A checksum line for every other file, and every one right.
grep -v '^SHA256SUMS.txt$' "$expected" > "$work/summed-expected"
sed 's/^[0-9a-f]\{64\}  //' "$pkg/SHA256SUMS.txt" > "$work/summed"
diff "$work/summed-expected" "$work/summed"
(cd "$pkg" && sha256sum --quiet -c SHA256SUMS.txt)

# The texts say what they must.
grep -q "Kelvo filters $version" "$pkg/INSTALL.txt"
grep -q "kelvo-render $version" "$pkg/KELVO-RENDER.txt"
grep -q "MIT" "$pkg/LICENSE.txt"
for p in "$root"/presets/*.lns; do cmp "$p" "$pkg/presets/$(basename "$p")"; done
# The install text names only files the package holds, besides the file in
# which the lens flare remembers its last settings.
for f in $(grep -o '[A-Za-z0-9_-]\+\.\(txt\|md\|png\|lns\|8bf\)' "$pkg/INSTALL.txt" | sort -u); do
  [ "$f" = Halvane.lns ] && continue
  [ -n "$(find "$pkg" -name "$f")" ] || { echo "INSTALL.txt names $f, which the package lacks"; exit 1; }
done

# Every module from the package, through our host under Wine, against the native renderer.
"$render" --filter glow --no-progress "$root/samples/dusk.png" "$work/glow-native.ppm"
for p in "$pkg"/presets/*.lns; do
  "$render" --settings "$p" --no-progress "$root/samples/dusk.png" "$work/$(basename "$p" .lns)-native.ppm"
done
"$render" --set flareSize=0 --set reflectionsBright=0 --no-progress "$root/samples/dusk.png" "$work/dusk.jpg"
"$render" --settings "$pkg/presets/star.lns" --scale-from 320 --no-progress "$work/dusk.jpg" "$work/star-jpeg-native.png"
for arch in win64 win32; do
  case "$arch" in win64) build="$win64" folder=x64 ;; *) build="$win32" folder=Win32 ;; esac
  # A machine whose kernel runs no 32-bit programs checks the Win32 folder's
  # files above but cannot run them.
  "$root/cmake/wine-run.sh" --can-run="$arch" || continue
  run() { "$root/cmake/wine-run.sh" --prefix="$build/wineprefix" --arch="$arch" "$@"; }
  host="$build/bin/kelvo-host.exe"
  run "$host" "$pkg/$folder/Emberlit.8bf" "$root/samples/dusk.png" "$work/glow-$folder.ppm" > "$work/host.log"
  cmp "$work/glow-native.ppm" "$work/glow-$folder.ppm"
  for p in "$pkg"/presets/*.lns; do
    preset="$(basename "$p" .lns)"
    run "$host" "$pkg/$folder/Halvane.8bf" "$root/samples/dusk.png" "$work/$preset-$folder.ppm" \
      --settings "$p" > "$work/host.log"
    cmp "$work/$preset-native.ppm" "$work/$preset-$folder.ppm"
  done
  # The command line from the package: a JPEG in, the native program's PNG out.
  run "$pkg/$folder/kelvo-render.exe" --settings "$pkg/presets/star.lns" --scale-from 320 --no-progress \
    "$work/dusk.jpg" "$work/star-jpeg-$folder.png" > "$work/render.log"
  cmp "$work/star-jpeg-native.png" "$work/star-jpeg-$folder.png"
  echo "$folder modules from the package give the native renderer's bytes"
done
if cmp -s "$work/glow-native.ppm" "$work/star-native.ppm"; then exit 1; fi

# The GIMP plug-in from the package, where a user puts it.
if [ -n "$gegl" ]; then
  mkdir -p "$work/data/gegl-0.4/plug-ins"
  cp "$pkg/GIMP/kelvo-gegl.so" "$work/data/gegl-0.4/plug-ins/"
  # shellcheck disable=SC2046
  XDG_DATA_HOME="$work/data" gegl -- load path="$root/samples/dusk.png" \
    kelvo:lens-flare $(python3 "$root/tests/gegl/png_samples.py" preset "$pkg/presets/star.lns") \
    ppm-save path="$work/star-gegl.ppm" bitdepth=8 > "$work/gegl.log" 2>&1
  cmp "$work/star-native.ppm" "$work/star-gegl.ppm"
  echo "the GIMP plug-in from the package gives the native renderer's bytes"
  # A named GIMP preset (time 0) for every preset of the package, and the install steps for them.
  [ "$(grep -c '^(GimpGegl-kelvo-lens-flare-config "' "$pkg/GIMP/GimpGegl-kelvo-lens-flare-config.settings")" = \
    "$(ls "$pkg"/presets/*.lns | wc -l)" ]
  [ "$(grep -c '^    (time 0)' "$pkg/GIMP/GimpGegl-kelvo-lens-flare-config.settings")" = "$(ls "$pkg"/presets/*.lns | wc -l)" ]
  grep -q "GIMP/2.10/filters" "$pkg/INSTALL.txt"
fi
rm -rf "$unpacked"
echo "package $name.zip: listing, checksums, all four modules and both kelvo-render.exe correct"
