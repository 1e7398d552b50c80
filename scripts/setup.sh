#!/bin/sh
# Installs everything the project needs on a Debian 12 machine: cmake and
# ninja, g++, both mingw-w64 cross compilers, Wine for both bitnesses (64-bit
# Wine and, with the i386 architecture enabled, the 32-bit wine32:i386 that
# runs the Win32 modules and host), a virtual X display for dialogs,
# GoogleTest (with its source, built again for Windows), Google Benchmark,
# the stb image headers, zip and unzip for the release package, clang with
# its libFuzzer runtime for the fuzz targets, GEGL (libgegl-dev,
# pkg-config and the gegl tool) for the GIMP plug-in and its test, GIMP
# 2.10 with libgimp2.0-dev for the test in GIMP itself, and libtiff-dev for
# kelvo-render's TIFF files; for the Windows kelvo-render, Debian's libtiff
# source package (unpacked into /usr/local/src/kelvo-libtiff, cross-built by
# CMake) and the mingw zlib. Quiet and quick when everything is there already.
set -eu

packages="cmake ninja-build g++ python3 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine wine32:i386
xvfb xauth googletest libgtest-dev libbenchmark-dev libstb-dev zip unzip clang libclang-rt-dev
libgegl-dev gegl pkg-config gimp libgimp2.0-dev libtiff-dev libz-mingw-w64-dev dpkg-dev"

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
if [ -n "$missing" ]; then
  echo "setup: installing$missing" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi

# libtiff's source for the Windows programs, with Debian's patches applied.
# The machine's apt sources need no deb-src line: a list of our own, in a
# scratch folder, is used for this one download. The newest version the
# mirror serves is taken.
tiff_src=/usr/local/src/kelvo-libtiff
if [ ! -f "$tiff_src/libtiff/tiffio.h" ]; then
  echo "setup: fetching Debian's libtiff source into $tiff_src" >&2
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/lists/partial"
  chmod 755 "$work" && chmod 777 "$work/lists/partial"  # apt downloads as its own user
  printf 'deb-src http://deb.debian.org/debian %s main\n' bookworm bookworm-updates > "$work/sources.list"
  printf 'deb-src http://deb.debian.org/debian-security bookworm-security main\n' >> "$work/sources.list"
  apt_opts="-o Dir::Etc::SourceList=$work/sources.list -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists=$work/lists"
  $sudo apt-get $apt_opts -qq update || true
  (cd "$work" && for v in $(apt-cache $apt_opts showsrc tiff | sed -n 's/^Version: //p' | sort -rV); do
     $sudo apt-get $apt_opts -qq source --download-only "tiff=$v" >/dev/null 2>&1 && break
   done) || true
  dsc=$(ls "$work"/tiff_*.dsc 2>/dev/null | head -1)
  # apt checked the files against the signed index; the .dsc's own signature
  # needs the maintainers' keys, which the machine has no reason to hold.
  if [ -n "$dsc" ] && dpkg-source --no-check -x "$dsc" "$work/src" >/dev/null; then
    $sudo mkdir -p "$tiff_src"
    $sudo cp -a "$work/src/." "$tiff_src/"
  else
    echo "setup: could not fetch libtiff's source: the Windows kelvo-render will read no TIFF" >&2
  fi
fi
