#!/usr/bin/env bash
# Installs what the build needs, then configures and builds everything: the
# 32-bit product in $SW4_BUILD_ROOT/i686 always, and on a host that tests the
# 64-bit build as well (scripts/host.sh) that one too, in $SW4_BUILD_ROOT/x86_64.
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

# Each test program may take 300 s; three times that through QEMU.
if [ "$SW4_I386" = emulated ]; then timeout=900; else timeout=300; fi
build_one i686 -DWINE_TEST_TIMEOUT=$timeout || exit 1
if [ "$SW4_I386" != native ]; then
    # Its tests check the shipped 32-bit setup.exe from the host side as well.
    build_one x86_64 -DPRODUCT_SETUP_EXE="$SW4_PRODUCT_BUILD/bin/setup.exe" || exit 1
fi
