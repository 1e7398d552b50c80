#!/bin/sh
# Packs a release from built modules: <out>/Kelvo-filters-<version>.zip with
# one folder Kelvo-filters-<version>/ holding x64/ and Win32/ (Halvane.8bf,
# Emberlit.8bf and kelvo-render.exe each), presets/ (each .lns with its
# picture, .png), INSTALL.txt, KELVO-RENDER.txt (the command line's usage),
# LICENSE.txt and SHA256SUMS.txt (a SHA-256 line for every other file); given
# the GEGL plug-in and a native kelvo-render, also GIMP/ holding the plug-in
# (kelvo-gegl.so, Linux x86_64) and the lens-flare presets as GIMP 2.10's
# saved settings (GimpGegl-kelvo-lens-flare-config.settings, written by
# scripts/make_gimp_presets.py with that kelvo-render). The
# archive's bytes depend only on
# its contents: fixed file times, sorted entries, no extra attributes.
# Prints the archive's path.
# Usage: scripts/package.sh <version> <win32 build folder> <win64 build folder> <out folder>
#          [<kelvo-gegl.so> <native kelvo-render>]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 4 ] || [ $# -eq 6 ] ||
  { echo "usage: $0 <version> <win32 build> <win64 build> <out folder> [<kelvo-gegl.so> <native kelvo-render>]" >&2
    exit 2; }
version="$1" win32="$2" win64="$3" out="$4" gegl="${5:-}" native="${6:-}"
[ -z "$gegl" ] || [ -f "$gegl" ] || { echo "package: missing $gegl" >&2; exit 1; }
[ -z "$native" ] || [ -x "$native" ] || { echo "package: missing $native" >&2; exit 1; }
name="Kelvo-filters-$version"

for f in "$win32/modules/Halvane.8bf" "$win32/modules/Emberlit.8bf" "$win32/bin/kelvo-render.exe" \
         "$win64/modules/Halvane.8bf" "$win64/modules/Emberlit.8bf" "$win64/bin/kelvo-render.exe"; do
  [ -f "$f" ] || { echo "package: missing $f" >&2; exit 1; }
done

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
dir="$stage/$name"
mkdir -p "$dir/x64" "$dir/Win32" "$dir/presets"
# Without the debugging sections that the static runtime brings along, nor the
# symbol table: a module is found by its exports and its PiPL, which stay.
for module in Halvane Emberlit; do
  x86_64-w64-mingw32-strip --strip-all -o "$dir/x64/$module.8bf" "$win64/modules/$module.8bf"
  i686-w64-mingw32-strip --strip-all -o "$dir/Win32/$module.8bf" "$win32/modules/$module.8bf"
done
x86_64-w64-mingw32-strip --strip-all -o "$dir/x64/kelvo-render.exe" "$win64/bin/kelvo-render.exe"
i686-w64-mingw32-strip --strip-all -o "$dir/Win32/kelvo-render.exe" "$win32/bin/kelvo-render.exe"
cp "$root"/presets/*.lns "$root"/docs/presets/*.png "$dir/presets/"
if [ -n "$gegl" ]; then
  mkdir -p "$dir/GIMP"
  strip --strip-unneeded -o "$dir/GIMP/kelvo-gegl.so" "$gegl"
  python3 "$root/scripts/make_gimp_presets.py" "$native" "$dir/GIMP/GimpGegl-kelvo-lens-flare-config.settings"
fi
# Texts with Windows line ends, for the editors' platform.
sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/docs/install.txt" > "$dir/INSTALL.txt"
sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/docs/kelvo-render.txt" > "$dir/KELVO-RENDER.txt"
sed 's/$/\r/' "$root/LICENSE" > "$dir/LICENSE.txt"
(cd "$dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum > "$stage/sums" &&
  mv "$stage/sums" SHA256SUMS.txt)

find "$stage" -exec touch -h -d "2026-01-01 00:00:00 UTC" {} +
mkdir -p "$out"
zip="$(cd "$out" && pwd)/$name.zip"
rm -f "$zip"
(cd "$stage" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -q "$zip" -@)
echo "$zip"
