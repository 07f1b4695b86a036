#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine:
# the 32-bit cross compiler always (it builds the product), and what the road
# that scripts/host.sh chose needs: the Wines and, on a host that cannot run
# 32-bit programs, the 64-bit compiler and the gcc that builds the emulation's
# shim. Idempotent: does nothing when everything is there.
set -euo pipefail
. "$(dirname "$0")/host.sh"
select_host_build

installed() { dpkg -s "$1" >/dev/null 2>&1; }

need=()
installed g++-mingw-w64-i686 || need+=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
command -v cmake  >/dev/null || need+=(cmake)
[ -d /usr/src/googletest ] || need+=(googletest)
for package in $SW4_PACKAGES; do
    installed "$package" || need+=("$package")
done
# Wine's own fonts (Marlett draws the caption buttons, Tahoma the dialogs).
installed fonts-wine || need+=(fonts-wine)
command -v Xvfb   >/dev/null || need+=(xvfb)
command -v xdotool >/dev/null || need+=(xdotool)
# /usr/bin/convert may be a stand-in on some images; the real one comes with the package.
installed imagemagick || need+=(imagemagick)
command -v python3 >/dev/null || need+=(python3)
# The CD image: xorriso writes it, fuseiso mounts it for the tests.
command -v xorriso >/dev/null || need+=(xorriso)
command -v fuseiso >/dev/null || need+=(fuseiso)
# A drive whose flush fails, for the copy's tests.
installed python3-fusepy || need+=(python3-fusepy)
# Signing setup.exe on the image, and the throwaway certificate its test makes.
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v openssl >/dev/null || need+=(openssl)

# Locales whose ANSI code pages are double-byte: Wine takes the code page
# from the Unix locale, and the tests run setup in Japanese and Chinese ones.
installed locales || need+=(locales)
test_locales=(ja_JP zh_TW)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
make_locales() {
    local name
    for name in "${test_locales[@]}"; do
        locale -a 2>/dev/null | grep -qix "$name.utf-\?8" || $SUDO localedef -i "$name" -f UTF-8 "$name.UTF-8"
    done
}

if [ ${#need[@]} -eq 0 ]; then
    make_locales
    exit 0
fi
case " ${need[*]} " in
*:i386*)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    ;;
esac
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
make_locales
