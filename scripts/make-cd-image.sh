#!/usr/bin/env bash
# The game's CD image: ISO 9660 with Joliet names (so that Windows shows the
# mixed-case names) and Rock Ridge, volume STARWAKE_IV, with an autorun.inf
# that starts setup.exe from the CD's root.
#
#   scripts/make-cd-image.sh               builds everything (the build makes
#                                          build/<arch>/sw4cd.iso from the
#                                          sample CD) and names the image
#   scripts/make-cd-image.sh FOLDER IMAGE  writes the image of FOLDER, a CD
#                                          root laid out like the sample CD
#
# The same folder gives the same image, byte for byte: the files keep their
# modification times (whole seconds, UTC), which also stand for their other
# times; the volume dates and autorun.inf take the newest time in the folder
# (or SOURCE_DATE_EPOCH when that is set); xorriso orders the files by name
# whatever order the folder lists them in.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

VOLUME=STARWAKE_IV
# What setup needs on the CD, as the sample CD spells the names; Windows
# finds them in any case, so a folder may spell them in capitals.
CD_FILES="setup.exe dsetup.dll sw4.exe sw4.anm snddrv.386 snddet.386 common.iff lowres.dll
          hires480.dll xmem.ovl sw4lang.iff mkboot.exe sw4.cds swiv.ico setup.bat vbedrv.exe
          readme.txt startsw4.exe music1.pak KorLib.DL_ SW4w.ex_"

if [ $# -eq 0 ]; then
    . "$top/scripts/host.sh"
    select_host_build || exit 1
    "$top/scripts/build-all.sh" || exit 1
    # The product's image first; a 64-bit host also has the one it tests.
    for build in "$SW4_PRODUCT_BUILD" "$SW4_BUILD"; do
        image=$build/sw4cd.iso
        [ -f "$image" ] || { echo "The build made no $image." >&2; exit 1; }
        echo "CD image: $image ($(stat -c %s "$image") bytes, volume $VOLUME)"
        [ "$build" = "$SW4_BUILD" ] && break
    done
    exit 0
fi
if [ $# -ne 2 ]; then
    echo "usage: make-cd-image.sh [FOLDER IMAGE]" >&2
    exit 2
fi
folder=${1%/}
image=$2

has() {   # type name: FOLDER holds it, in any case
    [ -n "$(find "$folder" -mindepth 1 -maxdepth 1 -type "$1" -iname "$2" -print -quit 2>/dev/null)" ]
}
[ -d "$folder" ] || { echo "There is no CD folder $folder to make the image of." >&2; exit 1; }
for name in $CD_FILES; do
    has f "$name" || { echo "The CD folder $folder has no $name, so the image would not install the game; no image made." >&2; exit 1; }
done
has d DIRECTX || { echo "The CD folder $folder has no DIRECTX folder, so setup could not install DirectX; no image made." >&2; exit 1; }
has f autorun.inf && { echo "The CD folder $folder has an autorun.inf of its own; the image gets the one this script writes." >&2; exit 1; }
command -v xorriso >/dev/null || { echo "xorriso is not installed; scripts/install-deps.sh installs it." >&2; exit 1; }

epoch=${SOURCE_DATE_EPOCH:-$(find "$folder" -printf '%T@\n' | sort -n | tail -1)}
epoch=${epoch%.*}
work=$(mktemp -d "${TMPDIR:-/tmp}/sw4cd.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# As Windows reads it: CRLF lines.
printf '[autorun]\r\nopen=setup.exe autorun\r\nicon=setup.exe\r\n' >"$work/autorun.inf"
touch -d "@$epoch" "$work/autorun.inf"

# SOURCE_DATE_EPOCH gives the volume dates and makes every node's other
# times its modification time; the fixed ids keep xorriso's version out.
if ! TZ=UTC SOURCE_DATE_EPOCH=$epoch xorriso -as mkisofs \
        -J -r -V "$VOLUME" -publisher "QUILLMOOR INTERACTIVE" -preparer "STARWAKE IV CD" \
        -o "$work/image.iso" -graft-points "/=$folder" "/autorun.inf=$work/autorun.inf" \
        >"$work/xorriso.log" 2>&1; then
    cat "$work/xorriso.log" >&2
    echo "xorriso could not make the image of $folder." >&2
    exit 1
fi
mkdir -p "$(dirname "$image")" && mv "$work/image.iso" "$image" || exit 1
echo "CD image: $image ($(stat -c %s "$image") bytes, volume $VOLUME)"
