#!/bin/bash
# Measures how fast the results pane keeps up with unasked instrument output:
# the real quillbox.exe under Wine, connected to a virtual instrument that
# streams lines at rising rates (bench/pane_bench.cpp), beside the rate at
# which the link layer alone reads bytes one at a time (natively and under
# Wine). Builds what it needs; prints the figures, the summary last.
#
#   scripts/bench-pane.sh [KB/s ...]
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

qb_ensure_packages || exit 1
qb_build_bench quillbox-link-bench || exit 1
qb_build native --target quillbox-sim >/dev/null || exit 1
qb_build win64 --target quillbox-pane-bench quillbox-link-bench >/dev/null || exit 1

address=${QB_BENCH_ADDRESS:-127.66.0.2}
bytes=8388608
flood="raw:\\a{1048576}"
for _ in 1 2 3 4 5 6 7; do flood="$flood|raw:\\a{1048576}"; done
qb_start_bench_sim --tcp "$address:10001" --on "FLOOD=$flood" || exit 1

echo "The link alone, ReadByte after ReadByte:"
native=$(build/bench/bench/quillbox-link-bench --stream "$address" "$bytes" "link (native)")
echo "  $native"
wine=$(tests/e2e/wine-run.sh build/win64 build/win64/bench/quillbox-link-bench.exe --stream "$address" "$bytes" \
  "link (Wine)" | grep 'KB/s')
echo "  $wine"
echo
echo "The results pane under Wine (100-byte lines):"
tests/e2e/wine-run.sh build/win64 build/win64/bench/quillbox-pane-bench.exe "$@" | sed 's/^/  /'
