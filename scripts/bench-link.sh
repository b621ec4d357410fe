#!/bin/bash
# Measures round trips per second of "*IDN?" over TCP loopback against one
# virtual instrument, for the program's link (natively and under Wine), for a
# minimal blocking send/recv loop with the same query and no link layer (the
# floor; natively and under Wine, taking turns with the link in one process,
# see bench/link_bench.cpp --compare) and for the two tools users would pick
# instead: pyvisa-py with a raw socket resource and lxi's benchmark. Installs
# what is missing, builds what it needs (an unsanitized native build in
# build/bench, and the win64 preset), and prints each rate and the ratios as
# its last lines. The link's goals: 0.95 of the minimal loop on both, and twice
# pyvisa-py's rate natively.
#
#   scripts/bench-link.sh [COUNT]        (default 10000 queries each)
#
# QB_BENCH_ADDRESS picks the loopback address of the instrument (default
# 127.66.0.1); the port is the instrument's, 10001.
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

count=${1:-10000}
address=${QB_BENCH_ADDRESS:-127.66.0.1}
qb_ensure_packages python3-pyvisa-py lxi-tools || { echo "bench-link.sh: could not install the packages" >&2; exit 1; }

qb_build_bench quillbox-link-bench || exit 1
qb_build win64 --target quillbox-link-bench >/dev/null || exit 1

qb_start_bench_sim --tcp "$address:10001" || exit 1
echo "Virtual instrument on $address:10001; $count \"*IDN?\" round trips each."

rate_of() { sed -n 's/.*: \([0-9.]*\) round trips\/s$/\1/p' | tail -n 1; }

native_line=$(build/bench/bench/quillbox-link-bench "$address" "$count" "quillbox (native)") || exit 1
echo "$native_line"
native=$(echo "$native_line" | rate_of)

wine_line=$(tests/e2e/wine-run.sh build/win64 build/win64/bench/quillbox-link-bench.exe "$address" "$count" \
  "quillbox (Wine)" | grep 'round trips/s')
echo "${wine_line:-quillbox (Wine): failed}"
wine=$(echo "$wine_line" | rate_of)

# The link against the minimal loop, taking turns in one process.
compare_native=$(build/bench/bench/quillbox-link-bench --compare "$address" "$count" "native") || exit 1
echo "$compare_native"
compare_wine=$(tests/e2e/wine-run.sh build/win64 build/win64/bench/quillbox-link-bench.exe --compare "$address" \
  "$count" "Wine" | grep -E 'round trips/s|minimal loop:' | tr -d '\r')
echo "${compare_wine:-Wine comparison: failed}"
minimal_native=$(echo "$compare_native" | grep '^native minimal loop:' | rate_of)
minimal_wine=$(echo "$compare_wine" | grep '^Wine minimal loop:' | rate_of)
ratio_native=$(echo "$compare_native" | sed -n 's/^native link \/ minimal loop: //p')
ratio_wine=$(echo "$compare_wine" | sed -n 's/^Wine link \/ minimal loop: //p')

pyvisa_line=$(/usr/bin/python3 - "$address" "$count" <<'PY'
import sys, time
import pyvisa
address, count = sys.argv[1], int(sys.argv[2])
rm = pyvisa.ResourceManager("@py")
inst = rm.open_resource(f"TCPIP::{address}::10001::SOCKET", read_termination="\n", write_termination="\n",
                        timeout=5000)
start = time.perf_counter()
for _ in range(count):
    if not inst.query("*IDN?").startswith("QUARTZLINE"):
        sys.exit("pyvisa-py: bad reply")
seconds = time.perf_counter() - start
inst.close()
print(f"pyvisa-py (raw socket): {count} round trips in {seconds:.3f} s: {count / seconds:.1f} round trips/s")
PY
)
echo "${pyvisa_line:-pyvisa-py: failed}"
pyvisa=$(echo "$pyvisa_line" | rate_of)

lxi_out=$(lxi benchmark -a "$address" -r -p 10001 -c "$count" 2>&1)
lxi=$(echo "$lxi_out" | grep -o 'Result: [0-9.]*' | tail -n 1 | cut -d' ' -f2)
echo "lxi benchmark -r: ${lxi:-failed} requests/s"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "n/a" }'; }
echo
echo "quillbox native: ${native:-n/a} round trips/s"
echo "quillbox Wine: ${wine:-n/a} round trips/s"
echo "minimal loop native: ${minimal_native:-n/a} round trips/s"
echo "minimal loop Wine: ${minimal_wine:-n/a} round trips/s"
echo "native link / minimal loop: ${ratio_native:-n/a} (goal 0.95; in turns)"
echo "Wine link / minimal loop: ${ratio_wine:-n/a} (goal 0.95; in turns)"
echo "pyvisa-py: ${pyvisa:-n/a} round trips/s"
echo "lxi: ${lxi:-n/a} round trips/s"
echo "native / pyvisa-py: $(ratio "${native:-0}" "${pyvisa:-0}") (goal 2)"
echo "native / lxi: $(ratio "${native:-0}" "${lxi:-0}")"
echo "Wine / pyvisa-py: $(ratio "${wine:-0}" "${pyvisa:-0}")"
echo "Wine / lxi: $(ratio "${wine:-0}" "${lxi:-0}")"
