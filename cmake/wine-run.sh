#!/bin/sh
# Runs a Windows program under Wine inside a virtual X display.
# Usage: wine-run.sh --prefix=<wine prefix> [--arch=win32|win64] program.exe [arguments...]
# KELVO_WINEPREFIX, when set, overrides the prefix. The prefix is made on first
# use (that takes up to a minute), once, even when tests start in parallel.
# --arch=win32 makes a 32-bit prefix, run by the 32-bit Wine (wine32:i386);
# the default is a 64-bit prefix. /usr/bin/wine picks the loader that matches
# the program either way.
#
# wine-run.sh --one-display script [arguments...] runs a script that starts
# many Windows programs inside one virtual display of its own: every
# wine-run.sh the script calls then uses that display (KELVO_DISPLAY) instead
# of starting another. Wine's desktop process outlives a program by a few
# seconds; with a display per program it can still be tied to the display of
# the program before, which is gone, and the next program cannot make a window.
set -eu
# Some virtual machines' kernels refuse 32-bit programs ("Exec format error"),
# and with them Debian's 32-bit Wine loader, which /usr/bin/wine prefers even
# for x64 programs. There x64 programs go to wine64 directly, and a Win32
# program cannot run at all: its run ends as skipped (77), saying why.
# wine-run.sh --can-run=win32|win64 answers only that: 0 when it can, 77 when not.
wine=wine
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine=/usr/lib/wine/wine64
  export WINELOADER=/usr/lib/wine/wine64
fi
refuse_win32() {
  echo "this machine's kernel does not run 32-bit programs, so 32-bit Wine cannot start: Win32 run skipped" >&2
  exit 77
}
case "${1:-}" in
  --can-run=win32) [ "$wine" = wine ] || refuse_win32; exit 0 ;;
  --can-run=*) exit 0 ;;
esac
# A virtual display for one command. Two runs that start together can pick
# the same free display number, and then one Xvfb fails to start and
# xvfb-run gives up before the command ran: that run (and only that: the
# command leaves a mark when it starts) tries again on another number.
xvfb() {
  started="${TMPDIR:-/tmp}/kelvo-xvfb.$$"
  status=1
  for attempt in 1 2 3; do
    rm -f "$started"
    status=0
    xvfb-run -a -n $(( ($$ % 500) + 100 + (attempt - 1) * 37 )) -s "-screen 0 1024x768x24" \
      sh -c ': > "$0"; exec "$@"' "$started" "$@" || status=$?
    if [ -e "$started" ]; then
      rm -f "$started"
      return "$status"
    fi
    echo "wine-run.sh: the virtual display did not start (attempt $attempt)" >&2
    sleep 1
  done
  return "$status"
}
if [ "${1:-}" = "--one-display" ]; then
  shift
  xvfb sh -c 'KELVO_DISPLAY="$DISPLAY" exec "$@"' sh "$@"
  exit $?
fi
prefix=""
arch=win64
while :; do
  case "${1:-}" in
    --prefix=*) prefix="${1#--prefix=}"; shift ;;
    --arch=*) arch="${1#--arch=}"; shift ;;
    *) break ;;
  esac
done
[ "$arch" = win32 ] && [ "$wine" != wine ] && refuse_win32
prefix="${KELVO_WINEPREFIX:-${prefix:-$PWD/wineprefix}}"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      WINEARCH="$arch" "$wine" wineboot -i >/dev/null 2>&1 || true
      # A crashing program ends with a backtrace instead of a crash dialog
      # that would hang the test.
      "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
      # Unmanaged windows: without a window manager, closing a managed
      # dialog under Xvfb costs seconds.
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
      wineserver -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# KELVO_WINE_DPI=144 (say) runs the display at that DPI: Wine's LogPixels in
# the prefix, written whenever the prefix holds another value. Give such runs
# a prefix of their own (KELVO_WINEPREFIX) so the 96-DPI tests keep theirs.
if [ -n "${KELVO_WINE_DPI:-}" ] && [ "$(cat "$WINEPREFIX/.kelvo-dpi" 2>/dev/null)" != "$KELVO_WINE_DPI" ]; then
  (
    flock 9
    if [ "$(cat "$WINEPREFIX/.kelvo-dpi" 2>/dev/null)" != "$KELVO_WINE_DPI" ]; then
      "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KELVO_WINE_DPI" /f >/dev/null 2>&1 || true
      "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$KELVO_WINE_DPI" /f >/dev/null 2>&1 || true
      wineserver -w || true
      echo "$KELVO_WINE_DPI" > "$WINEPREFIX/.kelvo-dpi"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
if [ -n "${KELVO_DISPLAY:-}" ]; then
  DISPLAY="$KELVO_DISPLAY" exec "$wine" "$@"
fi
xvfb "$wine" "$@"
