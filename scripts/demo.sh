#!/bin/sh
# The main job: installs what is missing, builds the Win32 and x64 modules,
# our own host and the native kelvo-render, and has the host load the x64
# modules (under 64-bit Wine, as a Windows editor would) and apply them to the
# bundled sample image; then the Win32 host does the same with the Win32
# modules under 32-bit Wine, and the two builds' images are compared byte for
# byte. The build output and the host's trace go to out/demo.log; the demo
# itself prints a short summary, or the log's tail when a step fails.
set -eu
cd "$(dirname "$0")/.."
mkdir -p out
log="out/demo.log"
# Everything goes to the log, also what Wine's lingering processes write after
# their program ended; say() writes to the terminal (fd 3, fd 4 for errors).
exec 3>&1 4>&2 >"$log" 2>&1
say() { printf '%s\n' "$*" >&3; }

# step TEXT COMMAND...: runs the command with its output in the log.
step() {
  what="$1"
  shift
  echo "== $what"
  if ! "$@" 3>&- 4>&-; then
    echo "demo: $what failed. The last lines of $log:" >&4
    tail -n 40 "$log" >&4
    exit 1
  fi
}

say "Kelvo filters demo (details in $log)"
step "installing what is missing" scripts/setup.sh

jobs="${KELVO_JOBS:-2}"
say "  building the x64 and Win32 modules, our host, kelvo-render and the GIMP plug-in"
for preset in win32 win64; do
  step "configuring $preset" cmake --preset "$preset"
  step "building $preset" cmake --build --preset "$preset" -j "$jobs"
done
step "configuring native" cmake --preset native
step "building kelvo-render" cmake --build --preset native -j "$jobs" --target kelvo-render
# The GIMP plug-in, where GEGL's development files are there to build it.
if cmake --build --preset native --target help 2>/dev/null | grep -q '^kelvo-gegl:'; then
  step "building the GIMP plug-in" cmake --build --preset native -j "$jobs" --target kelvo-gegl
fi

host="build/win64/bin/kelvo-host.exe"
run() { cmake/wine-run.sh --prefix="$PWD/build/win64/wineprefix" "$@"; }
run32() { cmake/wine-run.sh --prefix="$PWD/build/win32/wineprefix" --arch=win32 "$@"; }

# A flare in the upper right, written as a settings file that the host loads
# into the module's settings record, as the module's own dialog would.
say "  applying both filters with the x64 modules under 64-bit Wine"
step "writing out/dusk.lns" build/native/bin/kelvo-render --save-settings out/dusk.lns \
  --set positionX=470 --set positionY=90
step "x64 Lens Flare" run "$host" build/win64/modules/Halvane.8bf samples/dusk.png out/dusk-lens-flare.png \
  --settings out/dusk.lns
step "x64 Glow" run "$host" build/win64/modules/Emberlit.8bf samples/dusk.png out/dusk-glow.png

# The same with the Win32 host and modules, under 32-bit Wine, where this
# machine runs 32-bit programs at all.
same=yes
if cmake/wine-run.sh --can-run=win32 2>/dev/null; then
  say "  the same with the Win32 modules under 32-bit Wine"
  host32="build/win32/bin/kelvo-host.exe"
  step "Win32 Lens Flare" run32 "$host32" build/win32/modules/Halvane.8bf samples/dusk.png \
    out/dusk-lens-flare-win32.png --settings out/dusk.lns
  step "Win32 Glow" run32 "$host32" build/win32/modules/Emberlit.8bf samples/dusk.png out/dusk-glow-win32.png
  for image in dusk-lens-flare dusk-glow; do
    cmp -s "out/$image.png" "out/$image-win32.png" || same=no
  done
else
  same=unchecked
  say "  this machine runs no 32-bit programs: the Win32 modules are built but not run"
fi

{
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
  [ "$same" = unchecked ] || echo "  (the Win32 modules' images: out/dusk-lens-flare-win32.png, out/dusk-glow-win32.png)"
  echo "Command line: $PWD/build/native/bin/kelvo-render (--help)"
  gegl="$PWD/build/native/gegl-0.4/plug-ins/kelvo-gegl.so"
  if [ -f "$gegl" ]; then echo "GIMP plug-in: $gegl (see \"In GIMP\" in the README)"; fi
  echo
} >&3
if [ "$same" = yes ]; then
  say "Win32 and x64 modules give identical images."
elif [ "$same" = unchecked ]; then
  say "The x64 modules rendered both images; the Win32 ones could not be run here."
else
  echo "Win32 and x64 images DIFFER." >&4
  exit 1
fi
