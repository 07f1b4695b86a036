#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix and display that
# scripts/test.sh prepared (ctest's emulator for every test program).
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ] || [ -z "${SW4_WINE:-}" ]; then
    echo "wine-exec.sh: WINEPREFIX, DISPLAY and SW4_WINE must be set; run scripts/test.sh" >&2
    exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
exec "$SW4_WINE" "$@"
