#!/usr/bin/env bash
# Counts the non-blank lines of code that git tracks (C and C++, resource
# scripts, Python, shell, CMake) and the share of them under tests/, which
# we keep at about a third.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    git ls-files -- "$@" | grep -E '\.(c|cpp|h|rc|py|sh|cmake)$|(^|/)CMakeLists\.txt$' \
        | while read -r file; do grep -cv '^[[:space:]]*$' "$file" || true; done \
        | awk '{ total += $1 } END { print total + 0 }'
}
all=$(count .)
tests=$(count tests)
awk -v t="$tests" -v a="$all" 'BEGIN { printf "tests/: %d of %d lines of code, %.3f\n", t, a, t / a }'
