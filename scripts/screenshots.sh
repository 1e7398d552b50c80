#!/bin/sh
# Pictures of both settings dialogs at 96 and 144 DPI, for docs/images: the
# dialog layout tests of the win64 build save them as they run under Wine.
# Usage: scripts/screenshots.sh   (after cmake --build --preset win64)
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/win64"
program="$build/tests/host/dialog_tests.exe"
[ -f "$program" ] || { echo "build the win64 preset first: $program is missing" >&2; exit 1; }
cd "$build/tests/host"
export KELVO_SCREENSHOT_DIR="$root/docs/images"
"$root/cmake/wine-run.sh" --prefix="$build/wineprefix" "$program" --gtest_filter='*DialogLayout*'
KELVO_WINEPREFIX="$build/wineprefix-144dpi" KELVO_WINE_DPI=144 \
  "$root/cmake/wine-run.sh" "$program" --gtest_filter='*DialogLayout*'
ls -l "$KELVO_SCREENSHOT_DIR"/halvane-dialog*.png "$KELVO_SCREENSHOT_DIR"/emberlit-dialog*.png
