#!/bin/sh
# The main job: installs what is missing, builds the Win32 and x64 modules and
# our own host, and has the host load the x64 modules (under 64-bit Wine, as a
# Windows editor would) and apply them to the bundled sample image; then the
# Win32 host does the same with the Win32 modules under 32-bit Wine, and the
# two builds' images are compared byte for byte.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs="${KELVO_JOBS:-2}"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

mkdir -p out
host="build/win64/bin/kelvo-host.exe"
run() { cmake/wine-run.sh --prefix="$PWD/build/win64/wineprefix" "$@"; }
run32() { cmake/wine-run.sh --prefix="$PWD/build/win32/wineprefix" --arch=win32 "$@"; }

# A flare in the upper right, written as a settings file that the host loads
# into the module's settings record, as the module's own dialog would.
run build/win64/bin/kelvo-render.exe --save-settings out/dusk.lns --set positionX=470 --set positionY=90
run "$host" build/win64/modules/Halvane.8bf samples/dusk.png out/dusk-lens-flare.png --settings out/dusk.lns
run "$host" build/win64/modules/Emberlit.8bf samples/dusk.png out/dusk-glow.png

# The same with the Win32 host and modules, under 32-bit Wine.
host32="build/win32/bin/kelvo-host.exe"
run32 "$host32" build/win32/modules/Halvane.8bf samples/dusk.png out/dusk-lens-flare-win32.png --settings out/dusk.lns
run32 "$host32" build/win32/modules/Emberlit.8bf samples/dusk.png out/dusk-glow-win32.png
same=yes
for image in dusk-lens-flare dusk-glow; do
  cmp -s "out/$image.png" "out/$image-win32.png" || same=no
done

echo
echo "Modules (copy into your editor's plug-ins folder):"
for f in build/win64/modules/*.8bf build/win32/modules/*.8bf; do
  case "$f" in */win64/*) arch="x64  " ;; *) arch="Win32" ;; esac
  echo "  $arch $PWD/$f"
done
echo "Images:"
echo "  input   $PWD/samples/dusk.png"
echo "  flare   $PWD/out/dusk-lens-flare.png"
echo "  glow    $PWD/out/dusk-glow.png"
echo "  (the Win32 modules' images: out/dusk-lens-flare-win32.png, out/dusk-glow-win32.png)"
echo
if [ "$same" = yes ]; then
  echo "Win32 and x64 modules give identical images."
else
  echo "Win32 and x64 images DIFFER." >&2
  exit 1
fi
