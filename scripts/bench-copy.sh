#!/usr/bin/env bash
# Builds everything, then copies the sample CD through the real copy box
# under Wine, in a fresh prefix on a virtual display of its own, and prints
# the bytes copied, the time, the throughput, its ratio to the pacing
# ceiling (32,768 bytes per 10 ms) and the peak working set.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/host.sh"
select_host_build || exit 1
enter_host_road "$0" "$@" || exit 1
build=$SW4_BUILD

"$top/scripts/build-all.sh" || exit 1
check_wine_runs || exit 1

. "$top/scripts/wine-session.sh"
run_dir=$(mktemp -d /tmp/sw4-bench.XXXXXX)
export WINEPREFIX="$run_dir/prefix"
cleanup() {
    stop_wine_session
    rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_display || exit 1
start_wine_prefix
cd_folder="Z:$build/sample_cd"
"$SW4_WINE" "$build/bin/copy_benchmark.exe" "${cd_folder//\//\\}"
