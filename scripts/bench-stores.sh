#!/bin/bash
# Times the store transfers against the virtual instrument beside their limit:
# results downloads as text (10 and 100 results) and a 16-block program
# download and upload, over TCP loopback and over a pseudo-terminal with the
# instrument pacing its side at 115200 baud. The benchmark starts its own
# instruments (through the test support, hence the native preset's build) and
# prints one line per case with its ratio to the limit.
#
#   scripts/bench-stores.sh
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

qb_ensure_packages || { echo "bench-stores.sh: could not install the packages" >&2; exit 1; }
qb_build native --target quillbox-stores-bench >/dev/null || exit 1
build/native/bench/quillbox-stores-bench
