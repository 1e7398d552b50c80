# Sourced by the cross tests with $root and $build set (build/win64 or
# build/win32): runs the test again inside one virtual display that all its
# Windows programs share, then sets host (that build's kelvo-host.exe), arch
# (the Wine prefix kind) and label, and ends the test as skipped (77) when the
# build is missing, or failed when KELVO_REQUIRE_MODULES=1.
[ -n "${KELVO_DISPLAY:-}" ] || exec "$root/cmake/wine-run.sh" --one-display "$0" "$@"
host="$build/bin/kelvo-host.exe"
case "$(basename "$build")" in
  win32) arch=win32 label=Win32 ;;
  *) arch=win64 label=x64 ;;
esac
# Skipped, whatever KELVO_REQUIRE_MODULES says, where the machine cannot run
# the build's programs at all (a kernel without 32-bit programs).
"$root/cmake/wine-run.sh" --can-run="$arch" || exit 77
for f in "$host" "$build/modules/Halvane.8bf" "$build/modules/Emberlit.8bf"; do
  if [ ! -f "$f" ]; then
    echo "missing $f: build the $(basename "$build") preset first"
    [ "${KELVO_REQUIRE_MODULES:-0}" = 1 ] && exit 1 || exit 77
  fi
done

# Fails the test when the flare and the glow rendered the same picture: then
# neither drew anything, and a module that only copied its input would have
# passed the comparisons with the native renderer. (A bare `! cmp` cannot fail
# a script under `set -e`.)
expect_filters_drew() {
  if cmp -s "$1" "$2"; then
    echo "the flare and the glow gave the same picture: neither drew anything" >&2
    exit 1
  fi
}
