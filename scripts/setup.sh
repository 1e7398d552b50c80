#!/bin/sh
# Installs everything the project needs on a Debian 12 machine: cmake and
# ninja, g++, both mingw-w64 cross compilers, 64-bit Wine (not wine32: 32-bit
# code is built and inspected, never run), a virtual X display for dialogs,
# GoogleTest (with its source, built again for Windows), Google Benchmark and
# the stb image headers. Quiet and quick when everything is there already.
set -eu

packages="cmake ninja-build g++ python3 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine xvfb xauth
googletest libgtest-dev libbenchmark-dev libstb-dev"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "setup: installing$missing" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
