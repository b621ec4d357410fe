#!/bin/bash
# Measures a bench run of the console program: one script on each of four
# virtual instruments in turn (the slowest of these single runs is the
# yardstick), then on all four at once with "run --on ... --on ...". Each
# instrument takes 50 ms to measure. Prints the slowest single run, the
# parallel total and their ratio; the goal is at most 1.2. Builds what it
# needs in build/bench (unsanitized).
#
#   scripts/bench-cli.sh [QUERIES]        (default 10 measurements per run)
#
# QB_BENCH_ADDRESS picks the loopback address of the instruments (default
# 127.66.0.2); they listen on ports 10001 to 10004. QB_BENCH_BUILD names a
# build folder to take both programs from instead (nothing is built then).
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

queries=${1:-10}
address=${QB_BENCH_ADDRESS:-127.66.0.2}
build=${QB_BENCH_BUILD:-build/bench}
if [ -z "${QB_BENCH_BUILD:-}" ]; then qb_build_bench quillbox-cli || exit 1; fi
qb_start_bench_sim --tcp "$address:10001" --instances 4 --on 'MEAS?=wait:50|line:\p{1.5}' || exit 1

script="$qb_state/bench.txt"
{
  printf '=1\n=^\n=2\n'
  for _ in $(seq "$queries"); do printf '"MEAS?\n=test,in\n'; done
} >"$script"
cli=$build/quillbox-cli
addresses=()
for port in 10001 10002 10003 10004; do addresses+=("TCPIP::$address::$port::SOCKET"); done
echo "Four virtual instruments on $address:10001-10004; $queries measurements of 50 ms per run."

now_ms() { echo $(($(date +%s%N) / 1000000)); }
slowest=0
for a in "${addresses[@]}"; do
  start=$(now_ms)
  "$cli" run --on "$a" "$script" >/dev/null 2>"$qb_state/err.txt" || { cat "$qb_state/err.txt" >&2; exit 1; }
  took=$(($(now_ms) - start))
  echo "single run on $a: $took ms"
  [ "$took" -gt "$slowest" ] && slowest=$took
done

on=()
for a in "${addresses[@]}"; do on+=(--on "$a"); done
start=$(now_ms)
"$cli" run "${on[@]}" --junit "$qb_state/all.xml" "$script" >/dev/null 2>"$qb_state/err.txt" ||
  { cat "$qb_state/err.txt" >&2; exit 1; }
parallel=$(($(now_ms) - start))
suites=$(grep -c '<testsuite ' "$qb_state/all.xml")

echo
echo "slowest single run: $slowest ms"
echo "four at once: $parallel ms ($suites suites in the JUnit file)"
echo "four at once / slowest single: $(awk -v a="$parallel" -v b="$slowest" 'BEGIN { printf "%.3f", a / b }') (goal at most 1.2)"
