#!/usr/bin/env bash
# Builds everything, then copies the sample CD through the real copy box
# under Wine, in a fresh prefix on a virtual display of its own, and prints
# the bytes copied, the time, the throughput, its ratio to the pacing
# ceiling (32,768 bytes per 10 ms) and the peak working set.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-session.sh"
cd_folder="Z:$build/sample_cd"
"$SW4_WINE" "$build/bin/copy_benchmark.exe" "${cd_folder//\//\\}"
