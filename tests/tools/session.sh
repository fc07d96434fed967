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
    if [ -z "${DISPLAY:-}" ] || [ -n "${KOMETORI_OWN_DISPLAY:-}" ]; then
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        KOMETORI_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    # A server that stays up spares every test program Wine's start-up.
    wineserver -p >/dev/null 2>&1 </dev/null || true
}

session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${KOMETORI_XVFB_PID:-}" ]; then
        kill "$KOMETORI_XVFB_PID" 2>/dev/null || true
        wait "$KOMETORI_XVFB_PID" 2>/dev/null || true
    fi
}
