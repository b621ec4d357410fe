#!/bin/bash
# Measures a colour screen capture (960 lines of a 320 x 240 screen) against
# the limit the bytes themselves set: over TCP loopback beside a minimal
# reader of the same reply, and over a pseudo-terminal with the virtual
# instrument pacing at 115200 baud beside bytes x 10 / baud. Both sides
# include the progress dialog's one-second start. Builds an unsanitized native
# build in build/bench and prints the figures.
#
#   scripts/bench-capture.sh [RUNS]        (default 5, the best counts)
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

runs=${1:-5}
address=${QB_BENCH_ADDRESS:-127.66.0.2}
qb_build_bench quillbox-capture-bench || exit 1

qb_start_bench_sim --tcp "$address:10001" --model ztq || exit 1
build/bench/bench/quillbox-capture-bench tcp "$address" "$runs" || exit 1
kill "$qb_sim_pid" 2>/dev/null
wait "$qb_sim_pid" 2>/dev/null
qb_sim_pid=
rm -rf "$qb_state"

# The serial driver finds "com43" in its device folder: the instrument's
# link to its pseudo-terminal.
comdir=$(mktemp -d /tmp/qb-bench-com.XXXXXX)
qb_start_bench_sim --no-tcp --model ztq --screen-baud 115200 --pty-link "$comdir/com43" || { rm -rf "$comdir"; exit 1; }
build/bench/bench/quillbox-capture-bench serial "$comdir" COM43 115200 "$runs"
status=$?
rm -rf "$comdir"
exit $status
