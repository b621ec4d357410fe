#!/bin/bash
# The trend and the sweep in real time against one virtual instrument over
# TCP loopback: a trend of one query and one of two queries, each every 50 ms
# (20 queries/s a query) and side by side on connections of their own, for
# SECONDS, printing every 30 s the points taken against those expected, the
# period's error and each process's working set; then a sweep of 50 steps
# with a settle time of 20 ms against its goal, 1.1 x steps x (settle + round
# trip). Builds the unsanitized native build in build/bench. Prints figures;
# it judges nothing.
#
#   scripts/bench-trend.sh [SECONDS]        (default 600)
#
# QB_BENCH_ADDRESS picks the loopback address of the instrument (default
# 127.66.0.7); the port is the instrument's, 10001.
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

seconds=${1:-600}
address=${QB_BENCH_ADDRESS:-127.66.0.7}
qb_build_bench quillbox-trend-bench || exit 1
qb_start_bench_sim --tcp "$address:10001" || exit 1
bench=build/bench/bench/quillbox-trend-bench
echo "Virtual instrument on $address:10001; trends for $seconds s."

"$bench" trend "$address" 1 "$seconds" "$qb_state/one.csv" "1 query" &
one=$!
"$bench" trend "$address" 2 "$seconds" "$qb_state/two.csv" "2 queries" &
two=$!
status=0
wait "$one" || status=1
wait "$two" || status=1
echo "CSV files: $(wc -l <"$qb_state/one.csv") and $(wc -l <"$qb_state/two.csv") lines" \
  "($(du -k "$qb_state/one.csv" | cut -f1) kB and $(du -k "$qb_state/two.csv" | cut -f1) kB)"
"$bench" sweep "$address" 50 20 "sweep" || status=1
exit $status
