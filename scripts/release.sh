#!/bin/sh
# The release: installs what is missing, builds the Win32 and x64 modules and
# the GEGL plug-in (native) and writes out/release/Kelvo-filters-<version>.zip
# (both builds, the plug-in for GIMP and its presets, the presets and their pictures, the
# install text, the licence, SHA-256 checksums). The version is the project's
# VERSION in CMakeLists.txt. scripts/test.sh tests such a package.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs="${KELVO_JOBS:-2}"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target kelvo-gegl kelvo-render

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)"
[ -n "$version" ] || { echo "release: no project version in build/win64/CMakeCache.txt" >&2; exit 1; }
zip="$(scripts/package.sh "$version" build/win32 build/win64 out/release build/native/gegl-0.4/plug-ins/kelvo-gegl.so \
  build/native/bin/kelvo-render)"
echo
unzip -l "$zip"
echo "Release package: $zip"
