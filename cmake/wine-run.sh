#!/bin/sh
# Runs a Windows program under 64-bit Wine inside a virtual X display.
# Usage: wine-run.sh --prefix=<wine prefix> program.exe [arguments...]
# KELVO_WINEPREFIX, when set, overrides the prefix. The prefix is made on first
# use (that takes up to a minute), once, even when tests start in parallel.
set -eu
prefix=""
case "${1:-}" in --prefix=*) prefix="${1#--prefix=}"; shift ;; esac
prefix="${KELVO_WINEPREFIX:-${prefix:-$PWD/wineprefix}}"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Unmanaged windows: without a window manager, closing a managed
      # dialog under Xvfb costs seconds.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
      wineserver -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec xvfb-run -a -n $(( ($$ % 500) + 100 )) -s "-screen 0 1024x768x24" wine "$@"
