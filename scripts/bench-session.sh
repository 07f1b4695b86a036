# Sourced by the benchmark scripts, with top set, in place of their own
# start: builds everything for the road scripts/host.sh chose, then starts a
# Wine prefix under $run_dir on a virtual display of the run's own, both
# taken away when the script ends. Sets build to the build folder in use.
. "$top/scripts/host.sh"
build_for_host "$@"

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
