#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: does nothing when every tool is already there.
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
command -v cmake  >/dev/null || need+=(cmake)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v wine   >/dev/null || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
# Wine's own fonts (Marlett draws the caption buttons, Tahoma the dialogs).
dpkg -s fonts-wine >/dev/null 2>&1 || need+=(fonts-wine)
command -v Xvfb   >/dev/null || need+=(xvfb)
command -v xdotool >/dev/null || need+=(xdotool)
# /usr/bin/convert may be a stand-in on some images; the real one comes with the package.
dpkg -s imagemagick >/dev/null 2>&1 || need+=(imagemagick)
command -v python3 >/dev/null || need+=(python3)

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
