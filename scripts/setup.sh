#!/bin/sh
# Installs everything the project needs on a Debian 12 machine: cmake and
# ninja, g++, both mingw-w64 cross compilers, Wine for both bitnesses (64-bit
# Wine and, with the i386 architecture enabled, the 32-bit wine32:i386 that
# runs the Win32 modules and host), a virtual X display for dialogs,
# GoogleTest (with its source, built again for Windows), Google Benchmark,
# the stb image headers, zip and unzip for the release package, clang with
# its libFuzzer runtime for the fuzz targets, and GEGL (libgegl-dev,
# pkg-config and the gegl tool) for the GIMP plug-in and its test. Quiet and
# quick when everything is there already.
set -eu

packages="cmake ninja-build g++ python3 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine wine32:i386
xvfb xauth googletest libgtest-dev libbenchmark-dev libstb-dev zip unzip clang libclang-rt-dev
libgegl-dev gegl pkg-config"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# wine32 comes from the i386 architecture; once it is enabled, /usr/bin/wine
# starts i686 programs itself and hands x64 ones to wine64.
need_update=""
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: enabling the i386 architecture for 32-bit Wine" >&2
  $sudo dpkg --add-architecture i386
  need_update=1
fi

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "setup: installing$missing" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
