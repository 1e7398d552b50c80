#!/bin/sh
# Runs every test of every preset, after installing what is missing:
#   native       unit tests of the portable code and the command-line tools,
#                the presets against their pictures, the checks that read the
#                built Win32 and x64 module files, and the release package
#                (packed, unpacked and its modules run under Wine)
#   native-asan  the same tests under AddressSanitizer and UBSan
#   native-tsan  the concurrent-render tests under ThreadSanitizer
#   win64        the x64 modules driven through our own host under 64-bit Wine
#   win32        the same tests for the Win32 modules and host, under 32-bit Wine
#   fuzz         each libFuzzer target for 20 s (KELVO_FUZZ_SECONDS), two at a
#                time, from its seed corpus; scripts/fuzz.sh runs them longer
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

export KELVO_REQUIRE_MODULES=1
jobs="${KELVO_JOBS:-2}"

for preset in win32 win64 native native-asan native-tsan fuzz; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

status=0
for preset in native native-asan native-tsan win64 win32 fuzz; do
  echo "== test: $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
[ "$status" -eq 0 ] && echo "== all tests passed" || echo "== some tests FAILED"
exit "$status"
