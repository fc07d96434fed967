# Sourced: the Wine environment of tests and of the demo run.
: "${KOMETORI_BUILD_DIR:?}"
export WINEPREFIX="${KOMETORI_WINEPREFIX:-$KOMETORI_BUILD_DIR/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

# own_prefix NAME: a copy of the tests' prefix for a script that opens a
# virtual desktop. Such a desktop sets the monitor's size for every program of
# its prefix, still after it has closed (a test program beside it then finds an
# 800 x 600 screen). Made once, kept for later runs; its server ends with the
# script.
own_prefix() {
    local base=$WINEPREFIX
    export WINEPREFIX="$KOMETORI_BUILD_DIR/wineprefix-$1"
    if [ ! -f "$WINEPREFIX/.kometori-ready" ]; then
        rm -rf "$WINEPREFIX"
        cp -a "$base" "$WINEPREFIX"
        touch "$WINEPREFIX/.kometori-ready"
    fi
}
