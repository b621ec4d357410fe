#!/bin/bash
# Runs one Windows test program under wine64 with everything it needs, and
# leaves nothing behind:
#
#   wine-run.sh BUILD_DIR PROGRAM.exe [ARGS...]
#
# - the Wine prefix BUILD_DIR/wineprefix, made on first use (scripts/test.sh
#   removes it at the start of each test run, so it is made once per run),
#   set up with a 1280x1024 virtual desktop, the Marlett font (the symbols
#   of the caption buttons) and DejaVu Sans Mono (a fixed-pitch face);
# - a private Xvfb display (or $QB_E2E_DISPLAY to watch the tests on a display
#   of your own);
# - QB_TEST_TMP, a scratch folder for the program's files, removed afterwards
#   (kept when QB_KEEP_TMP=1);
# - QB_SCREENSHOTS, where the driver saves screenshots (BUILD_DIR/screenshots).
# At the end the wineserver is killed, any simulator still running is stopped
# and the display is closed. The exit code is the program's.
set -u
build=$(cd "$1" && pwd); shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/common.sh"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No debugger on a crash: a crashed process ends at once. With the debugger,
# a crash inside the prefix's own start-up (wineboot) left it waiting for
# ever, and every later Wine process of the prefix waited behind it.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export QB_SCREENSHOTS="${QB_SCREENSHOTS:-$build/screenshots}"
mkdir -p "$QB_SCREENSHOTS"

# The prefix, once: concurrent callers wait for the first one to finish it.
(
  flock 9
  if [ ! -f "$WINEPREFIX/.quillbox-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$wine" wineboot -u >/dev/null 2>&1
    # A virtual desktop: Wine then draws the window frames and captions itself
    # and manages focus as a window manager would.
    "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
    "$wineserver" -w
    qb_add_fonts
    touch "$WINEPREFIX/.quillbox-ready"
  fi
  # Prefixes made before the fixed-pitch face was added get it now.
  [ -f "$WINEPREFIX/drive_c/windows/Fonts/DejaVuSansMono.ttf" ] || qb_add_fonts
) 9>"$build/wineprefix.lock"

export QB_TEST_TMP=$(mktemp -d /tmp/qb-run.XXXXXX)
xvfb_pid=
cleanup() {
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
  for f in $(find "$QB_TEST_TMP" -name sim.pid 2>/dev/null); do
    pid=$(head -n 1 "$f")
    [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
  done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ "${QB_KEEP_TMP:-0}" = 1 ] || rm -rf "$QB_TEST_TMP"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "${QB_E2E_DISPLAY:-}" ]; then
  export DISPLAY="$QB_E2E_DISPLAY"
else
  fifo="$QB_TEST_TMP/display"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 number <"$fifo" || { echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
fi

# Wine writes its console output with CR LF line ends; CTest and GoogleTest's
# test discovery want LF.
set -o pipefail
"$wine" "$@" 2>&1 | tr -d '\r'
exit $?
