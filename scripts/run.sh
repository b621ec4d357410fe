#!/bin/bash
# Runs Vantor (quillbox.exe) under Wine against the virtual instrument, after
# installing what is missing and building. The instrument answers on TCP at
# 127.0.0.1:10001 (choose LAN in the Connect dialog) and on a pseudo-terminal
# mapped to COM9 (choose Serial or USB, port COM9).
#
# With a display ($DISPLAY) the program opens there and the script waits until
# you close it. Without one it starts a private Xvfb display, saves a
# screenshot of the program after a few seconds, says where, and stops.
#
# On the first run (no settings file in the private Wine prefix yet) the
# connection defaults are set to LAN, 127.0.0.1, so Connect reaches the virtual
# instrument at once; with --serial they are set to Serial, COM9, instead.
#
# Other arguments are passed to quillbox-sim (for example --idn "QUARTZLINE,ZTQ1200,1,2.0").
set -u
seed_interface=2
sim_args=()
for arg in "$@"; do
  case $arg in
    --serial) seed_interface=3 ;;
    *) sim_args+=("$arg") ;;
  esac
done
cd "$(dirname "$0")/.."
. scripts/common.sh

qb_ensure_packages || { echo "run.sh: could not install the packages" >&2; exit 1; }
qb_build native --target quillbox-sim || exit 1
qb_build win64 --target quillbox || exit 1

top=$(pwd)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
export WINEPREFIX="$top/build/run-wineprefix"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
state=$(mktemp -d /tmp/quillbox-run.XXXXXX)
sim_pid= xvfb_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  "$wineserver" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  mkfifo "$state/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 number <"$state/display" || { echo "run.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
fi

if [ ! -f "$WINEPREFIX/.quillbox-ready" ]; then
  echo "Preparing the Wine prefix $WINEPREFIX (once)..."
  "$wine" wineboot -u >/dev/null 2>&1
  "$wineserver" -w
  qb_add_fonts
  touch "$WINEPREFIX/.quillbox-ready"
fi
# Prefixes made before the fonts were added get them now.
[ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && [ -f "$WINEPREFIX/drive_c/windows/Fonts/DejaVuSansMono.ttf" ] ||
  qb_add_fonts

# The first run's connection defaults, in the program's settings file.
appdata=$("$wine" cmd /c echo '%LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
settings_dir=$("$wine" winepath -u "$appdata\\Quartzline\\Quillboxer" 2>/dev/null | tr -d '\r')
if [ -z "$appdata" ] || [ -z "$settings_dir" ]; then
  echo "run.sh: could not find the prefix's local application data folder; the Connect dialog starts empty" >&2
elif [ ! -f "$settings_dir/Quillboxer.ini" ]; then
  mkdir -p "$settings_dir"
  printf '[Init]\r\nCreated=%s\r\n[Connect]\r\nInterface=%s\r\nComPort=COM9\r\nBaudRate=38400\r\nIPAddr=127.0.0.1\r\n' \
    "$(date '+%H:%M:%S %-d/%-m/%Y')" "$seed_interface" >"$settings_dir/Quillboxer.ini"
  case $seed_interface in
    2) echo "First run: the Connect dialog is set to LAN, 127.0.0.1 (just click Connect)" ;;
    3) echo "First run: the Connect dialog is set to Serial, COM9 (just click Connect)" ;;
  esac
fi

# The virtual instrument, on TCP and on a pseudo-terminal that Wine sees as COM9.
build/native/sim/quillbox-sim --tcp 127.0.0.1:10001 --pty-link "$state/ttyQB" \
  --transcript "$state/transcript.txt" --pidfile "$state/sim.pid" ${sim_args[@]+"${sim_args[@]}"} >"$state/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -f "$state/sim.pid" ] && break; sleep 0.1; done
[ -f "$state/sim.pid" ] || { echo "run.sh: the virtual instrument did not start:" >&2; cat "$state/sim.log" >&2; exit 1; }
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM9 /d "$state/ttyQB" /f >/dev/null 2>&1
ln -sfn "$state/ttyQB" "$WINEPREFIX/dosdevices/com9"
echo "Virtual instrument: TCP 127.0.0.1:10001, serial COM9 ($(sed -n 2p "$state/sim.pid"))"

if [ "$headless" = 1 ]; then
  # A Wine virtual desktop stands in for the missing window manager.
  "$wine" explorer /desktop=Vantor,1280x1024 build/win64/quillbox.exe &
  app=$!
  sleep 8
  shot="$top/build/run-screenshot.png"
  import -window root "$shot" && echo "No display: the program ran on a private Xvfb display; screenshot saved to $shot"
  kill "$app" 2>/dev/null
else
  echo "Starting Vantor on $DISPLAY; close its window to stop."
  "$wine" build/win64/quillbox.exe
fi
