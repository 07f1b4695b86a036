#!/usr/bin/env bash
# The game's CD image as drive D: of the Wine prefix $WINEPREFIX, a CD-ROM
# drive as Windows sees one: read-only, type CD-ROM, root "D:\".
#
#   cd-drive.sh mount IMAGE DIR [--fuse-only]   mounts IMAGE read-only on DIR
#   cd-drive.sh unmount DIR                     takes drive and mount away
#   cd-drive.sh eject IMAGE DIR                 the disc out: the drive answers nothing
#   cd-drive.sh insert IMAGE DIR                the disc back in
#
# Where FUSE cannot mount, the image is extracted into DIR and DIR made
# read-only instead (SW4_CD_DRIVE=folder asks for that road), unless
# --fuse-only is given: then mount ends with status 3 and leaves nothing.
# Wine's mount manager reads the drive types only when it starts, so mount
# restarts the prefix's Wine session; run it between Wine programs only.
# A mount or folder left on DIR by an aborted run is taken away first.
# eject and insert end with status 3 where DIR is a folder. mount and unmount need
# SW4_WINE (scripts/host.sh) and WINEPREFIX.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
need_wine() {
    : "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
    : "${SW4_WINE:?SW4_WINE must name the Wine loader (scripts/host.sh)}"
    link="$WINEPREFIX/dosdevices/d:"
}
drives_key='HKLM\Software\Wine\Drives'

is_mounted() { grep -q " $1 " /proc/mounts 2>/dev/null; }

release() {   # dir
    if is_mounted "$1"; then
        # A process still inside keeps it busy; detach it lazily then.
        fusermount -u "$1" 2>/dev/null || umount "$1" 2>/dev/null || umount -l "$1"
        is_mounted "$1" && return 1
    fi
    if [ -d "$1" ]; then
        chmod -R u+w "$1" 2>/dev/null
        rm -rf "$1" || return 1
    fi
}

wine_quiet() { "$SW4_WINE" "$@" >/dev/null 2>&1 </dev/null; }

mount_drive() {   # image dir [--fuse-only]
    # Whole paths: fuseiso leaves the current directory, /proc/mounts has them so.
    local image dir=$(realpath -m "$2") fuse_only=${3:-}
    image=$(realpath -m "$1")
    [ -f "$image" ] || { echo "cd-drive: there is no image $image; scripts/make-cd-image.sh makes it." >&2; return 1; }
    release "$dir" || { echo "cd-drive: cannot take away what is left on $dir." >&2; return 1; }
    mkdir -p "$dir" || return 1
    if [ "${SW4_CD_DRIVE:-}" != folder ] && fuseiso "$image" "$dir" -o ro >/dev/null 2>&1 && is_mounted "$dir"; then
        :
    elif [ "$fuse_only" = --fuse-only ]; then
        rmdir "$dir"
        return 3
    else
        echo "cd-drive: FUSE cannot mount the image here; drive D: is its contents extracted into the read-only folder $dir."
        if ! xorriso -osirrox on -indev "$image" -extract / "$dir" >/dev/null 2>&1; then
            echo "cd-drive: xorriso could not extract $image." >&2
            release "$dir"
            return 1
        fi
        chmod -R a-w "$dir"
    fi
    rm -f "$link" && ln -s "$dir" "$link" || return 1
    wine_quiet reg add "$drives_key" /v d: /d cdrom /f || { echo "cd-drive: cannot make D: a CD-ROM drive." >&2; return 1; }
    . "$top/scripts/wine-session.sh"
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    start_wine_prefix
}

# The command line mount_drive gives fuseiso, as /proc shows it.
fuseiso_command() { printf 'fuseiso %s %s -o ro ' "$(realpath -m "$1")" "$(realpath -m "$2")"; }

# As a disc taken out, where Windows answers "not ready": the FUSE process
# ends at once, and the mount it leaves answers every call with an error.
# (Asked to end, it would unmount, and the drive would be an empty folder.)
eject_disc() {   # image dir
    local dir=$(realpath -m "$2") wanted=$(fuseiso_command "$1" "$2") proc i
    grep -q " $dir fuse" /proc/mounts || { echo "cd-drive: $dir is not a FUSE mount." >&2; return 3; }
    for proc in /proc/[0-9]*; do
        [ "$({ tr '\0' ' ' <"$proc/cmdline"; } 2>/dev/null)" = "$wanted" ] || continue
        kill -KILL "${proc#/proc/}" || return 1
        for i in $(seq 1 50); do
            stat "$dir/." >/dev/null 2>&1 || return 0
            sleep 0.1
        done
        echo "cd-drive: $dir still answers after its fuseiso ended." >&2
        return 1
    done
    echo "cd-drive: no fuseiso serves $dir." >&2
    return 1
}

insert_disc() {   # image dir
    local dir=$(realpath -m "$2")
    grep -q " $dir fuse" /proc/mounts || { echo "cd-drive: $dir is not a FUSE mount." >&2; return 3; }
    if is_mounted "$dir"; then
        fusermount -u "$dir" 2>/dev/null || umount -l "$dir" || return 1
    fi
    fuseiso "$(realpath -m "$1")" "$dir" -o ro >/dev/null 2>&1 && is_mounted "$dir"
}

unmount_drive() {   # dir
    local dir=$(realpath -m "$1") status=0
    if [ "$(readlink "$link" 2>/dev/null)" = "$dir" ]; then
        rm -f "$link"
        wine_quiet reg delete "$drives_key" /v d: /f
    fi
    release "$dir" || status=1
    return $status
}

case "${1:-}" in
mount)
    [ $# -ge 3 ] || { echo "usage: cd-drive.sh mount IMAGE DIR [--fuse-only]" >&2; exit 2; }
    need_wine
    mount_drive "$2" "$3" "${4:-}"
    ;;
unmount)
    [ $# -eq 2 ] || { echo "usage: cd-drive.sh unmount DIR" >&2; exit 2; }
    need_wine
    unmount_drive "$2"
    ;;
eject|insert)
    [ $# -eq 3 ] || { echo "usage: cd-drive.sh $1 IMAGE DIR" >&2; exit 2; }
    "$1_disc" "$2" "$3"
    ;;
*)
    echo "usage: cd-drive.sh mount IMAGE DIR [--fuse-only] | unmount DIR | eject IMAGE DIR | insert IMAGE DIR" >&2
    exit 2
    ;;
esac
