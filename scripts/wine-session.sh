# Sourced by the scripts after scripts/host.sh: a Wine prefix and, where
# needed, a virtual display of their own, and the cleanup that leaves no
# process behind.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

XVFB_PID=""

# Starts Xvfb on the first free display number from 90 on and exports DISPLAY.
start_virtual_display() {
    local n
    for n in $(seq 90 160); do
        [ -e "/tmp/.X${n}-lock" ] && continue
        [ -e "/tmp/.X11-unix/X${n}" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        local i
        for i in $(seq 1 50); do
            if [ -e "/tmp/.X11-unix/X${n}" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    done
    echo "no free X display for Xvfb" >&2
    return 1
}

# Makes the prefix $WINEPREFIX if it is new, and starts its services with
# their output away from our pipes (they outlive the command that starts them).
start_wine_prefix() {
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 </dev/null
    "$SW4_WINE" wineboot -i >/dev/null 2>&1 </dev/null
    # This Wine does not look in the folder where Debian puts its own fonts;
    # without Marlett the caption buttons show letters.
    cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    # Wine draws the title bars itself: a virtual display has no window
    # manager to do it, and a dialog without its caption looks wrong.
    "$SW4_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 </dev/null
}

# Ends every process of the prefix $WINEPREFIX and waits for them.
stop_wine_prefix() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    [ -n "${WINEPREFIX:-}" ] && wineserver -w >/dev/null 2>&1
}

stop_wine_session() {
    stop_wine_prefix
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    fi
}
