#!/bin/bash
# quillbox-cli.exe under wine64 against a native virtual instrument on a
# loopback address: "identify" prints the identification and the family,
# "run" runs a script given by its Windows path, a run on two instruments at
# once (two programs of its own) passes on both, and without link options the
# connection the window saved is used. The verbs' exit codes, their output and
# the JUnit XML are the native CLI tests' (tests/unit/cli_test.cpp).
#
#   cli-wine-test.sh QUILLBOX_SIM QUILLBOX_CLI_EXE BUILD_DIR
set -u
sim=$1 cli=$2 build=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${QB_TEST_TMP:-/tmp}/qb-cli-wine.XXXXXX") || exit 2
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

address=127.0.$((RANDOM % 200 + 20)).$((RANDOM % 200 + 20))
"$sim" --tcp "$address:10001" --instances 2 --on 'MEAS?=line:\p{1.5}V' --pidfile "$work/sim.pid" \
  --transcript "$work/transcript.txt" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/sim.pid" ] && break; sleep 0.1; done
[ -s "$work/sim.pid" ] || { echo "the simulator did not start"; cat "$work/sim.log"; exit 1; }

# A host path as the Windows program names it (Wine's drive Z: is /).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
# Runs the program with the arguments; compares the exit code and looks for
# a text in its output.
expect() {
  local wanted=$1 needle=$2 got; shift 2
  local out
  out=$("$here/wine-run.sh" "$build" "$cli" "$@" 2>&1)
  got=$?
  if [ "$got" != "$wanted" ] || ! grep -qF -- "$needle" <<<"$out"; then
    echo "quillbox-cli.exe $*: exit code $got (wanted $wanted), output:"
    echo "$out"
    failed=$((failed + 1))
  fi
}

printf '"MEAS?\n=1\n=^\n=2\n=test,lo\n' >"$work/pass.txt"
expect 0 'family: HXA15' identify --lan "$address"
expect 0 '1.50000E0V' run --lan "$address" "$(windows_path "$work/pass.txt")"
expect 0 "TCPIP::$address::10002::SOCKET: passed" run --on "TCPIP::$address::INSTR" \
  --on "TCPIP::$address::10002::SOCKET" "$(windows_path "$work/pass.txt")"

# With no link options the connection saved by the window's Connect dialog
# is used; whatever settings file the prefix held is put back afterwards.
settings_dir="$build/wineprefix/drive_c/users/$(id -un)/AppData/Local/Quartzline/Quillboxer"
settings="$settings_dir/Quillboxer.ini"
if [ -d "$build/wineprefix/drive_c/users/$(id -un)/AppData/Local" ]; then
  mkdir -p "$settings_dir"
  [ -f "$settings" ] && cp "$settings" "$work/saved.ini"
  printf '[Connect]\r\nInterface=2\r\nIPAddr=%s\r\n' "$address" >"$settings"
  expect 0 'family: HXA15' identify
  if [ -f "$work/saved.ini" ]; then cp "$work/saved.ini" "$settings"; else rm -f "$settings"; fi
else
  echo "no Wine user folder for the stored-connection case"
  failed=$((failed + 1))
fi
[ "$failed" = 0 ] && echo "quillbox-cli.exe: all cases passed"
[ "$failed" = 0 ]
