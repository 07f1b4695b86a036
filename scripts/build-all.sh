#!/usr/bin/env bash
# Installs what the build needs, then configures and builds everything: the
# 32-bit product in $SW4_BUILD_ROOT/i686 always, and on a host that tests the
# 64-bit build (scripts/host.sh) that one too, in $SW4_BUILD_ROOT/x86_64.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/host.sh"
select_host_build || exit 1

"$top/scripts/install-deps.sh" || exit 1

build_one() {   # arch [cmake options]
    local arch=$1
    shift
    cmake -S "$top" -B "$SW4_BUILD_ROOT/$arch" \
          -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" "$@" >/dev/null || return 1
    cmake --build "$SW4_BUILD_ROOT/$arch" -j"$(nproc)"
}

build_one i686 || exit 1
if [ "$SW4_ARCH" != i686 ]; then
    # Its tests check the shipped 32-bit setup.exe from the host side as well.
    build_one "$SW4_ARCH" -DPRODUCT_SETUP_EXE="$SW4_PRODUCT_BUILD/bin/setup.exe" || exit 1
fi
