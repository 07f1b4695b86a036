#!/bin/sh
# Drive P: of the Wine prefix, a folder passed through FUSE whose last
# writes (the flush, the close) fail on demand (failing_drive.py). Where FUSE
# cannot mount, mount says why and makes no drive: the tests that need it skip.
#   failing_drive.sh mount|unmount
set -u
: "${SW4_TEST_SCRATCH:?run the tests through scripts/test.sh}"
: "${WINEPREFIX:?run the tests through scripts/test.sh}"
here=$(cd "$(dirname "$0")" && pwd)
backing="$SW4_TEST_SCRATCH/failing-drive"
dir="$SW4_TEST_SCRATCH/failing-drive-mount"
link="$WINEPREFIX/dosdevices/p:"

case "${1:-}" in
mount)
    mkdir -p "$backing" "$dir" || exit 1
    why="$SW4_TEST_SCRATCH/failing-drive.why"
    if ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
        echo "failing_drive: no drive P:, python3-fusepy is missing (scripts/install-deps.sh installs it)."
    elif ! /usr/bin/python3 "$here/failing_drive.py" "$backing" "$dir" >/dev/null 2>"$why" </dev/null \
         || ! grep -q " $dir fuse" /proc/mounts; then
        echo "failing_drive: no drive P:, FUSE cannot mount here: $(grep -m1 "^fuse" "$why" || tail -1 "$why")"
    else
        ln -s "$dir" "$link" && echo "failing_drive: P: is $dir through FUSE."
    fi
    rm -f "$why"
    ;;
unmount)
    status=0
    [ -L "$link" ] && rm -f "$link"
    if grep -q " $dir " /proc/mounts; then
        # The FUSE process ends with its mount.
        fusermount -u "$dir" || umount "$dir" || status=1
    fi
    rm -rf "$backing"
    [ -d "$dir" ] && rmdir "$dir"
    exit $status
    ;;
*)
    echo "usage: failing_drive.sh mount|unmount" >&2
    exit 2
    ;;
esac
