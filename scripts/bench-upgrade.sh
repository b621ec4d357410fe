#!/bin/bash
# Measures the firmware transfer against the virtual instrument's loader and
# prints each time beside its limit:
#   - a HEX file of about 1 MiB (16 data bytes a record) over TCP loopback,
#     natively and under Wine; limit: the protocol's fixed waits (7.5 s) plus
#     records x the round trip of a minimal send/recv loop against the same
#     instrument, run in the same process just before and after the transfer
#     (natively, and under Wine for the Wine figure); median of QB_BENCH_RUNS
#     (3) runs;
#   - a 256 KiB image over the pseudo-terminal with the instrument pacing its
#     loader at 115200 baud, natively and under Wine; limit: 7.5 s plus every
#     byte both ways x 10 / baud.
# Builds what it needs (an unsanitized native build in build/bench, and the
# win64 preset).
#
#   scripts/bench-upgrade.sh [TCP_DATA_BYTES] [SERIAL_DATA_BYTES]
#
# QB_BENCH_ADDRESS picks the loopback address of the instrument (default
# 127.66.0.2); the port is the instrument's, 10001.
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

tcp_bytes=${1:-393216}     # 24,576 records of 16 bytes: a HEX file of about 1 MiB
serial_bytes=${2:-262144}  # 256 KiB
address=${QB_BENCH_ADDRESS:-127.66.0.2}
baud=115200

qb_build_bench quillbox-upgrade-bench || exit 1
qb_build win64 --target quillbox-upgrade-bench >/dev/null || exit 1
bench=build/bench/bench/quillbox-upgrade-bench
wine_bench=build/win64/bench/quillbox-upgrade-bench.exe

qb_start_bench_sim --tcp "$address:10001" || exit 1
sim_tcp_pid=$qb_sim_pid
files=$qb_state
head -c "$tcp_bytes" /dev/urandom >"$files/tcp.bin"
srec_cat "$files/tcp.bin" -binary -o "$files/tcp.hex" -intel -obs=16 || exit 1
head -c "$serial_bytes" /dev/urandom >"$files/serial.bin"
srec_cat "$files/serial.bin" -binary -o "$files/serial.hex" -intel -obs=16 || exit 1
records=$(grep -c '^:' "$files/tcp.hex")
echo "TCP: $(stat -c %s "$files/tcp.hex") bytes of HEX, $records records"

ratio_of() { sed -n 's/.*; ratio \([0-9.]*\)$/\1/p' | tail -n 1; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }

# Other work on the machine makes single runs noisy: each run measures the
# minimal loop just before and after the transfer, in the same process, and
# the median of QB_BENCH_RUNS (3) runs counts.
runs=${QB_BENCH_RUNS:-3}
native_ratios= wine_ratios=
for run in $(seq "$runs"); do
  out=$($bench tcp "$address" "$files/tcp.hex" "quillbox tcp (native)") || exit 1
  echo "$out"; native_ratios="$native_ratios $(echo "$out" | ratio_of)"
  out=$(tests/e2e/wine-run.sh build/win64 "$wine_bench" tcp "$address" "$files/tcp.hex" "quillbox tcp (Wine)")
  echo "$out"; wine_ratios="$wine_ratios $(echo "$out" | ratio_of)"
done
native=$(echo $native_ratios | tr ' ' '\n' | median)
wine=$(echo $wine_ratios | tr ' ' '\n' | median)

# The serial instrument: a pseudo-terminal, its loader paced at the baud rate.
serial_state=$(mktemp -d /tmp/qb-bench-serial.XXXXXX)
build/bench/sim/quillbox-sim --no-tcp --pty --loader-baud "$baud" --pidfile "$serial_state/sim.pid" \
  >"$serial_state/sim.log" 2>&1 &
sim_serial_pid=$!
trap 'kill $sim_serial_pid $sim_tcp_pid 2>/dev/null; rm -rf "$serial_state" "$files"' EXIT
for _ in $(seq 100); do [ -f "$serial_state/sim.pid" ] && break; sleep 0.1; done
pty=$(sed -n 2p "$serial_state/sim.pid")
[ -n "$pty" ] || { echo "the serial instrument did not start" >&2; exit 1; }
serial_native=$($bench serial "$pty" "$baud" "$files/serial.hex" "quillbox serial (native)") || exit 1
echo "$serial_native"
serial_wine=$(tests/e2e/wine-run.sh build/win64 "$wine_bench" serial "$pty" "$baud" "$files/serial.hex" \
  "quillbox serial (Wine)" | grep ' in ')
echo "${serial_wine:-quillbox serial (Wine): failed}"

echo
echo "TCP native: ratios$native_ratios; median ${native:-n/a}"
echo "TCP Wine: ratios$wine_ratios; median ${wine:-n/a}"
echo "Serial native: $(echo "$serial_native" | sed 's/^[^:]*: //')"
echo "Serial Wine: $(echo "$serial_wine" | sed 's/^[^:]*: //')"
