#!/usr/bin/env bash
# Installs what the build needs, then configures and builds everything into
# the build folder given (default: build/ of the checkout).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}

"$top/scripts/install-deps.sh" || exit 1
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)"
