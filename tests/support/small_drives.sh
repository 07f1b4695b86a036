#!/bin/sh
# Small Wine drives of known free space, made on the host around the tests that need them:
#   q:  256 pages, 1 MiB: a drive the copy fills up
#   r:  4882 pages, 19,996,672 bytes free: under 20,000,000
#   s:  4883 pages, 20,000,768 bytes free: the least above it that tmpfs's whole pages can give
#   t:  4 GiB and one page free: a count whose low 32 bits alone are 4096
# tmpfs takes no memory for the size it is given, only for what is written.
set -u
: "${SW4_TEST_SCRATCH:?run the tests through scripts/test.sh}"
: "${WINEPREFIX:?run the tests through scripts/test.sh}"
drives="$SW4_TEST_SCRATCH/small-drives"

make_drive() {   # letter pages
    dir="$drives/$1"
    link="$WINEPREFIX/dosdevices/$1:"
    mkdir -p "$dir" || return 1
    mount -t tmpfs -o "size=$(($2 * 4096))" tmpfs "$dir" || return 1
    ln -s "$dir" "$link" || return 1
    echo "$1: $(df -B1 --output=avail "$dir" | tail -1) bytes free"
}

case "${1:-}" in
mount)
    make_drive q 256 && make_drive r 4882 && make_drive s 4883 && make_drive t 1048577
    ;;
unmount)
    status=0
    for letter in q r s t; do
        link="$WINEPREFIX/dosdevices/$letter:"
        [ -L "$link" ] && rm -f "$link"
        dir="$drives/$letter"
        if grep -q " $dir " /proc/mounts; then
            umount "$dir" || status=1
        fi
        [ -d "$dir" ] && rmdir "$dir"
    done
    [ -d "$drives" ] && rmdir "$drives"
    exit $status
    ;;
*)
    echo "usage: small_drives.sh mount|unmount" >&2
    exit 2
    ;;
esac
