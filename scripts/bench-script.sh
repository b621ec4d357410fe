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

qb_build_bench quillbox-script-bench || exit 1

build/bench/bench/quillbox-script-bench || exit 1

transcript=$(mktemp /tmp/qb-bench-transcript.XXXXXX)
qb_start_bench_sim --tcp "$address:10001" --on 'MEAS?=line:A|wait:100|line:B' --transcript "$transcript" || exit 1
build/bench/bench/quillbox-script-bench "$address" "$transcript"
status=$?
rm -f "$transcript"
exit $status
