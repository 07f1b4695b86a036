#!/usr/bin/env bash
# Builds everything and runs every test under Wine, in a fresh prefix and
# on a virtual display of this run's own, against each build that
# scripts/host.sh chose for this host: the 32-bit product (natively, or
# through QEMU where the kernel refuses 32-bit programs), then the 64-bit
# build where the product cannot run natively.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/host.sh"
select_host_build || exit 1
enter_host_road "$0" "$@" || exit 1

"$top/scripts/build-all.sh" || exit 1
for arch in $SW4_TEST_ARCHS; do
    use_build "$arch"
    check_wine_runs || exit 1
done

. "$top/scripts/wine-session.sh"
run_dir=$(mktemp -d /tmp/sw4-test.XXXXXX)
export WINEPREFIX="$run_dir/prefix"
export SW4_TEST_SCRATCH="$run_dir/scratch"   # drives and mounts the tests make

# Ends one build's tests: the CD drive and any small drive that a test which
# failed halfway left mounted, their Wine processes, and the prefix.
end_suite() {
    "$top/scripts/cd-drive.sh" unmount "$SW4_BUILD/cd-drive" >/dev/null 2>&1
    stop_wine_prefix
    grep -o " $SW4_TEST_SCRATCH/[^ ]*" /proc/mounts 2>/dev/null | while read -r m; do umount "$m"; done
    rm -rf "$WINEPREFIX" "$SW4_TEST_SCRATCH"
}
cleanup() {
    end_suite
    stop_wine_session
    rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_display || exit 1

summary=()
# Runs every test against the build in use, in a new prefix.
run_suite() {
    local status count log="$run_dir/ctest-$SW4_ARCH.log"
    mkdir -p "$SW4_TEST_SCRATCH"
    start_wine_prefix
    # No window manager runs on the virtual display, and Wine waits two seconds
    # for one to withdraw each closed window it manages; unmanaged, they close at once.
    "$SW4_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    (cd "$SW4_BUILD" && ctest --output-on-failure --no-tests=error --timeout 300 "$@") | tee "$log"
    status=${PIPESTATUS[0]}
    count=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
    summary+=("Tested $(describe_build): ${count:-no} tests ran.")
    [ -n "$count" ] && [ "$count" -gt 0 ] || status=1
    end_suite
    return "$status"
}

status=0
for arch in $SW4_TEST_ARCHS; do
    use_build "$arch"
    run_suite "$@" || status=1
done
printf '%s\n' "${summary[@]}"
if [ "$SW4_I386" = none ]; then
    echo "The 32-bit setup.exe, the product, was not run; $SW4_I386_MISSING."
fi
exit "$status"
