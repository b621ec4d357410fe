#!/bin/bash
# Measures how the script runner spaces script lines: the gap between
# consecutive command lines and the time from a query's last reply line to the
# next line (both 250 ms by design, late by at most one 50 ms tick). First
# against a stand-in instrument inside the benchmark, then through the
# instrument link against a virtual instrument that answers "MEAS?" with two
# lines 100 ms apart, with the figures taken from the instrument's transcript.
#
#   scripts/bench-script.sh
#
# QB_BENCH_ADDRESS picks the loopback address of the instrument (default
# 127.66.0.2); the port is the instrument's, 10001.
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

address=${QB_BENCH_ADDRESS:-127.66.0.2}
qb_ensure_packages || { echo "bench-script.sh: could not install the packages" >&2; exit 1; }

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF -DQB_SANITIZE=OFF >/dev/null || exit 1
cmake --build build/bench -j 2 --target quillbox-sim quillbox-script-bench >/dev/null || exit 1

state=$(mktemp -d /tmp/qb-bench.XXXXXX)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

build/bench/bench/quillbox-script-bench || exit 1

build/bench/sim/quillbox-sim --tcp "$address:10001" --on 'MEAS?=line:A|wait:100|line:B' \
  --transcript "$state/transcript.txt" --pidfile "$state/sim.pid" >"$state/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -f "$state/sim.pid" ] && break; sleep 0.1; done
[ -f "$state/sim.pid" ] || { echo "bench-script.sh: the virtual instrument did not start:" >&2; cat "$state/sim.log" >&2; exit 1; }
build/bench/bench/quillbox-script-bench "$address" "$state/transcript.txt"
