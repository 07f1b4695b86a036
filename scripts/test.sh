#!/usr/bin/env bash
# Builds everything and runs every test under Wine, in a fresh prefix and
# on a virtual display of this run's own.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}

"$top/scripts/build-all.sh" "$build" || exit 1

. "$top/scripts/wine-session.sh"
run_dir=$(mktemp -d /tmp/sw4-test.XXXXXX)
export WINEPREFIX="$run_dir/prefix"
export SW4_TEST_SCRATCH="$run_dir/scratch"   # drives and mounts the tests make
mkdir -p "$SW4_TEST_SCRATCH"

cleanup() {
    stop_wine_session
    # A test that failed halfway may have left a small drive mounted.
    grep -o " $SW4_TEST_SCRATCH/[^ ]*" /proc/mounts 2>/dev/null | while read -r m; do umount "$m"; done
    rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_display || exit 1
start_wine_prefix
(cd "$build" && ctest --output-on-failure --timeout 300 "$@")
