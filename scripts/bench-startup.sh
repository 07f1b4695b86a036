#!/usr/bin/env bash
# Builds everything, then starts setup.exe from the sample CD folder under
# Wine, in a fresh prefix on a virtual display of its own, and prints how
# long each start takes until the wizard is on screen (minimum, median and
# maximum of 20 starts). Other setup.exe files given as arguments (Unix
# paths) are measured the same way, in the same prefix, after the build's.
#   scripts/bench-startup.sh [other/setup.exe ...]
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/bench-session.sh"
"$SW4_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
dos() { echo "Z:${1//\//\\}"; }
status=0
for exe in "$build/bin/setup.exe" "$@"; do
    # Each measured from the sample CD folder, as it ships beside its DirectX library.
    mkdir -p "$run_dir/cd" && cp -r "$build/sample_cd/." "$run_dir/cd/" && cp "$exe" "$run_dir/cd/setup.exe"
    echo "$exe:"
    "$SW4_WINE" "$build/bin/startup_benchmark.exe" "$(dos "$run_dir/cd/setup.exe")" "$(dos "$run_dir/cd")" 20 \
        || status=1
    rm -rf "$run_dir/cd"
done
exit "$status"
