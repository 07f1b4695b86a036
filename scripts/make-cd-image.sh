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
#
# Signing: with SW4_SIGN_PFX naming the publisher's certificate and key (a
# PKCS#12 file) and SW4_SIGN_PASSWORD_FILE a file whose first line is its
# password, the image carries a copy of setup.exe signed with Authenticode
# (SHA-256); the folder's own setup.exe is not touched. The signing time is
# the image's time, so a signed image is reproducible too, unless
# SW4_SIGN_TIMESTAMP_URL names an RFC 3161 timestamp server, whose answer
# differs each time. Without SW4_SIGN_PFX nothing is signed.
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

pfx=${SW4_SIGN_PFX:-}
password=${SW4_SIGN_PASSWORD_FILE:-}
if [ -n "$pfx" ]; then
    [ -f "$pfx" ] || { echo "The certificate file $pfx (SW4_SIGN_PFX) does not exist; no image made." >&2; exit 1; }
    [ -n "$password" ] || { echo "SW4_SIGN_PASSWORD_FILE names no file with the password of $pfx; no image made." >&2; exit 1; }
    [ -f "$password" ] || { echo "The password file $password (SW4_SIGN_PASSWORD_FILE) does not exist; no image made." >&2; exit 1; }
    for tool in osslsigncode openssl; do
        command -v $tool >/dev/null || { echo "$tool is not installed; scripts/install-deps.sh installs it." >&2; exit 1; }
    done
    # Asked first, so that each fault gets its own sentence. A file that an
    # older Windows exported may need OpenSSL's legacy ciphers.
    pkcs12() { openssl pkcs12 -in "$pfx" -passin "file:$password" "$@" 2>/dev/null \
               || openssl pkcs12 -legacy -in "$pfx" -passin "file:$password" "$@" 2>/dev/null; }
    pkcs12 -noout || { echo "The password in $password does not open $pfx, or it is no PKCS#12 file; no image made." >&2; exit 1; }
    pkcs12 -nocerts -nodes | grep -q 'PRIVATE KEY' \
        || { echo "$pfx holds a certificate but no private key to sign with; no image made." >&2; exit 1; }
    pkcs12 -nokeys -clcerts | grep -q 'BEGIN CERTIFICATE' \
        || { echo "$pfx holds no certificate to sign with; no image made." >&2; exit 1; }
elif [ -n "$password" ] || [ -n "${SW4_SIGN_TIMESTAMP_URL:-}" ]; then
    echo "Signing was asked for, but SW4_SIGN_PFX names no certificate to sign with; no image made." >&2
    exit 1
fi

epoch=${SOURCE_DATE_EPOCH:-$(find "$folder" -printf '%T@\n' | sort -n | tail -1)}
epoch=${epoch%.*}
work=$(mktemp -d "${TMPDIR:-/tmp}/sw4cd.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# The signed copy takes the place of the folder's setup.exe, under its name and time.
exclude=() graft=()
if [ -n "$pfx" ]; then
    setup=$(find "$folder" -mindepth 1 -maxdepth 1 -type f -iname setup.exe -printf '%f\n' -quit)
    mkdir "$work/signed"
    if ! osslsigncode sign -pkcs12 "$pfx" -readpass "$password" -h sha256 -n "Starwake IV Setup" \
            -time "$epoch" ${SW4_SIGN_TIMESTAMP_URL:+-ts "$SW4_SIGN_TIMESTAMP_URL"} \
            -in "$folder/$setup" -out "$work/signed/$setup" >"$work/sign.log" 2>&1; then
        echo "osslsigncode could not sign $folder/$setup with $pfx${SW4_SIGN_TIMESTAMP_URL:+ and the timestamp server $SW4_SIGN_TIMESTAMP_URL}; no image made." >&2
        exit 1
    fi
    touch -r "$folder/$setup" "$work/signed/$setup"
    exclude=(-x "$folder/$setup") graft=("/$setup=$work/signed/$setup")
fi

# As Windows reads it: CRLF lines.
printf '[autorun]\r\nopen=setup.exe autorun\r\nicon=setup.exe\r\n' >"$work/autorun.inf"
touch -d "@$epoch" "$work/autorun.inf"

# SOURCE_DATE_EPOCH gives the volume dates and makes every node's other
# times its modification time; the fixed ids keep xorriso's version out.
if ! TZ=UTC SOURCE_DATE_EPOCH=$epoch xorriso -as mkisofs \
        -J -r -V "$VOLUME" "${exclude[@]}" -publisher "QUILLMOOR INTERACTIVE" -preparer "STARWAKE IV CD" \
        -o "$work/image.iso" -graft-points "/=$folder" "/autorun.inf=$work/autorun.inf" "${graft[@]}" \
        >"$work/xorriso.log" 2>&1; then
    cat "$work/xorriso.log" >&2
    echo "xorriso could not make the image of $folder." >&2
    exit 1
fi
mkdir -p "$(dirname "$image")" && mv "$work/image.iso" "$image" || exit 1
echo "CD image: $image ($(stat -c %s "$image") bytes, volume $VOLUME)"
