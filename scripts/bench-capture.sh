#!/bin/bash
# Measures a colour screen capture (960 lines of a 320 x 240 screen) against
# the limit its bytes set, with the program's link natively and under Wine:
#   - over TCP loopback, beside a minimal reader of the same reply from the
#     same virtual instrument;
#   - over a pseudo-terminal, with the instrument pacing at 115200 baud,
#     beside all bytes x 10 / baud.
# The progress dialog starts its worker one second after it opens, so both
# the capture and the limit include that second. Prints each figure and the
# ratio to the limit (the goal is at most 1.1). Builds an unsanitized native
# build in build/bench and the win64 preset.
#
#   scripts/bench-capture.sh [RUNS]        (default 5; the best run counts)
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

runs=${1:-5}
baud=115200
address=${QB_BENCH_ADDRESS:-127.66.12.1}
bytes=$((4 * 240 * (2 + 80 + 2)))
qb_build_bench quillbox-capture-bench || exit 1
qb_build win64 --target quillbox-capture-bench >/dev/null || exit 1
native=build/bench/bench/quillbox-capture-bench
windows=build/win64/bench/quillbox-capture-bench.exe

best() { sed -n 's/^best \([0-9.]*\) s.*/\1/p' | tail -n 1; }
line() {  # LABEL JOB LIMIT-TRANSFER WHAT
  awk -v l="$1" -v j="$2" -v t="$3" -v w="$4" 'BEGIN {
    if (j == "" || t == "") { printf "%s: failed\n", l; exit }
    printf "%-22s capture %.3f s + 1 s = %.3f s   limit 1 s + %s %.3f s = %.3f s   %.3f x the limit\n",
      l ":", j, j + 1, w, t, t + 1, (j + 1) / (t + 1) }'
}

qb_start_bench_sim --tcp "$address:10001" --model ztq || exit 1
raw=$("$native" raw "$address" "$runs" | best)
tcp_native=$("$native" tcp "$address" "$runs" | best)
tcp_wine=$(tests/e2e/wine-run.sh build/win64 "$windows" tcp "$address" "$runs" | best)
kill "$qb_sim_pid" 2>/dev/null
wait "$qb_sim_pid" 2>/dev/null
qb_sim_pid=
rm -rf "$qb_state"

qb_start_bench_sim --no-tcp --pty --model ztq --screen-baud "$baud" || exit 1
pty=$(sed -n 2p "$qb_state/sim.pid")
serial_native=$("$native" serial "$pty" "$runs" | best)
# Under Wine the port is the prefix's dosdevices/com43 link to the terminal.
ln -sfn "$pty" build/win64/wineprefix/dosdevices/com43
serial_wine=$(tests/e2e/wine-run.sh build/win64 "$windows" serial "$pty" "$runs" | best)
rm -f build/win64/wineprefix/dosdevices/com43

wire=$(awk -v b="$bytes" -v r="$baud" 'BEGIN { printf "%.3f", b * 10 / r }')
echo "A colour capture: $bytes bytes in 960 lines; best of $runs runs."
line "TCP, native" "$tcp_native" "$raw" "minimal reader"
line "TCP, Wine" "$tcp_wine" "$raw" "minimal reader"
line "Serial $baud, native" "$serial_native" "$wire" "bytes x 10 / baud"
line "Serial $baud, Wine" "$serial_wine" "$wire" "bytes x 10 / baud"
