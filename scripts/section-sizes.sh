#!/usr/bin/env bash
# Prints where the bytes of setup.exe go: each section's size in memory, and
# the code and data (every section but the resources and relocations) against
# the 26 KiB the program may take. Builds first when there is nothing to read.
#   scripts/section-sizes.sh [setup.exe]
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-${BUILD_DIR:-$top/build}/i686/bin/setup.exe}
if [ ! -f "$exe" ] && [ $# -eq 0 ]; then
    "$top/scripts/build-all.sh" || exit 1
fi
objdump=i686-w64-mingw32-objdump
command -v "$objdump" >/dev/null || objdump=x86_64-w64-mingw32-objdump

total=0
printf '%-10s %10s\n' section bytes
while read -r _ name size _; do
    bytes=$((16#$size))
    printf '%-10s %10d\n' "$name" "$bytes"
    case "$name" in .rsrc|.reloc) ;; *) total=$((total + bytes)) ;; esac
done < <("$objdump" -h "$exe" | grep -E '^ +[0-9]+ ')
printf '%-10s %10d of %d (code and data, without resources and relocations)\n' total "$total" $((26 * 1024))
printf '%-10s %10d\n' file "$(stat -c %s "$exe")"
