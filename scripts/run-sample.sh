#!/usr/bin/env bash
# Builds setup.exe, the sample CD and its image, then starts setup from the
# CD under Wine, as a user would: from the image mounted as the CD-ROM drive
# D:, or from the sample CD folder where FUSE cannot mount it. With a display
# it runs in a real window until closed; without one it runs on a virtual
# display and ends with a screenshot of what it shows (build/screenshot.png).
# The build is the one scripts/host.sh chose for this host: build/i686, run
# natively or through QEMU as the tests run it, or build/x86_64 where neither
# works. Its Wine prefix sample-prefix is kept, so an installation made in
# one run is found by the next. Arguments go to setup.exe ("autorun", say).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/host.sh"
build_for_host "$@"

. "$top/scripts/wine-session.sh"
export WINEPREFIX=${SW4_SAMPLE_PREFIX:-$build/sample-prefix}
headless=0
cd_drive=$build/sample-cd-drive
finish() {
    cd "$top" && "$top/scripts/cd-drive.sh" unmount "$cd_drive"
    [ "$headless" -eq 1 ] && stop_wine_session
}
trap finish EXIT
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_virtual_display || exit 1
fi
start_wine_prefix
# A new prefix has no Desktop folder in its Windows directory; a user's has.
mkdir -p "$WINEPREFIX/drive_c/windows/Desktop"

# Started in the mount point, setup finds itself in D:\.
if "$top/scripts/cd-drive.sh" mount "$build/sw4cd.iso" "$cd_drive" --fuse-only; then
    cd "$cd_drive" || exit 1
else
    echo "The CD image cannot be mounted here; setup starts from the folder $build/sample_cd."
    cd "$build/sample_cd" || exit 1
fi
if [ "$headless" -eq 0 ]; then
    "$SW4_WINE" setup.exe "$@"
    exit $?
fi

"$SW4_WINE" setup.exe "$@" &
if ! timeout 60 xdotool search --sync --onlyvisible --name '^Starwake IV' >/dev/null; then
    echo "setup showed no window" >&2
    exit 1
fi
# Let the window finish painting before the picture is taken.
sleep 2
import -window root "$SW4_BUILD_ROOT/screenshot.png"
echo "screenshot: $SW4_BUILD_ROOT/screenshot.png"
