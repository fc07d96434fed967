# Sourced: the Wine environment of tests and of the demo run.
: "${KOMETORI_BUILD_DIR:?}"
export WINEPREFIX="${KOMETORI_WINEPREFIX:-$KOMETORI_BUILD_DIR/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
