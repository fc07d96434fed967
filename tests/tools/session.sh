# Sourced: starts what tests and the demo need around Wine and stops it again.
# The test CA must be in the system store before wineserver starts: Wine reads
# the trusted roots once per server.

session_start() {
    local src=$1 build=$2
    if [ -x "$src/tests/standin/make-certs.sh" ]; then
        "$src/tests/standin/make-certs.sh" "$build/certs"
    fi
    source "$src/tests/tools/wine-env.sh"
    "$src/tests/tools/setup-prefix.sh"
    display_start
    # A server that stays up spares every test program Wine's start-up.
    wineserver -p >/dev/null 2>&1 </dev/null || true
}

session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    display_stop
}

# A virtual display for the windows, unless one is set already.
display_start() {
    if [ -z "${DISPLAY:-}" ] || [ -n "${KOMETORI_OWN_DISPLAY:-}" ]; then
        # Xvfb picks a free display itself, so test runs side by side never
        # race for one; it writes the number it took once it is ready.
        local numfile
        numfile=$(mktemp)
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
        KOMETORI_XVFB_PID=$!
        for _ in $(seq 100); do [ -s "$numfile" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -n1 "$numfile")"
        rm -f "$numfile"
    fi
}

display_stop() {
    if [ -n "${KOMETORI_XVFB_PID:-}" ]; then
        kill "$KOMETORI_XVFB_PID" 2>/dev/null || true
        wait "$KOMETORI_XVFB_PID" 2>/dev/null || true
    fi
}
