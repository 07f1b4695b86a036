#!/usr/bin/env bash
# Builds everything and runs every test under Wine, in a fresh prefix and
# on a virtual display of this run's own, against the build that
# scripts/host.sh chose for this host.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/host.sh"
select_host_build || exit 1

"$top/scripts/build-all.sh" || exit 1
check_wine_runs || exit 1

. "$top/scripts/wine-session.sh"
run_dir=$(mktemp -d /tmp/sw4-test.XXXXXX)
export WINEPREFIX="$run_dir/prefix"
export SW4_TEST_SCRATCH="$run_dir/scratch"   # drives and mounts the tests make
mkdir -p "$SW4_TEST_SCRATCH"

cleanup() {
    # An interrupted run leaves the CD drive mounted.
    "$top/scripts/cd-drive.sh" unmount "$SW4_BUILD/cd-drive" >/dev/null 2>&1
    stop_wine_session
    # A test that failed halfway may have left a small drive mounted.
    grep -o " $SW4_TEST_SCRATCH/[^ ]*" /proc/mounts 2>/dev/null | while read -r m; do umount "$m"; done
    rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_display || exit 1
start_wine_prefix
# No window manager runs on the virtual display, and Wine waits two seconds
# for one to withdraw each closed window it manages; unmanaged, they close at once.
"$SW4_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
(cd "$SW4_BUILD" && ctest --output-on-failure --no-tests=error --timeout 300 "$@") | tee "$run_dir/ctest.log"
status=${PIPESTATUS[0]}
count=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$run_dir/ctest.log" | tail -1)
echo "Tested the $SW4_ARCH build under $SW4_WINE ($WINEARCH prefix): ${count:-no} tests ran."
[ -n "$count" ] && [ "$count" -gt 0 ] || status=1
exit "$status"
