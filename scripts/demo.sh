#!/bin/sh
# The main job: installs what is missing, builds the Win32 and x64 modules and
# our own host, and has the host load the x64 modules (under 64-bit Wine, as a
# Windows editor would) and apply them to the bundled sample image.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs="${KELVO_JOBS:-2}"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

mkdir -p out
host="build/win64/tools/kelvo-host.exe"
run() { cmake/wine-run.sh --prefix="$PWD/build/win64/wineprefix" "$@"; }

# A flare in the upper right, written as a settings file that the host loads
# into the module's settings record, as the module's own dialog would.
run build/win64/tools/kelvo-render.exe --save-settings out/dusk.lns --set positionX=470 --set positionY=90
run "$host" build/win64/modules/Halvane.8bf samples/dusk.png out/dusk-lens-flare.png --settings out/dusk.lns
run "$host" build/win64/modules/Emberlit.8bf samples/dusk.png out/dusk-glow.png

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
