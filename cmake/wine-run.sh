#!/bin/sh
# Runs a Windows program under 64-bit Wine in a virtual X display.
# The Wine prefix lives in the build folder (KELVO_WINEPREFIX, or ./wineprefix
# beside the program's build folder); it is made on first use.
set -e
prog="$1"
: "${KELVO_WINEPREFIX:=$(cd "$(dirname "$prog")" && git rev-parse --show-toplevel 2>/dev/null || pwd)/build/wineprefix}"
export WINEPREFIX="$KELVO_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
