#!/bin/bash
# Makes the Wine prefix once (under a lock, tests may start together):
# no crash dialog, so a crashing test fails instead of hanging.
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$WINEPREFIX/.kometori-ready-2" ]; then
    exit 0
fi
echo "Making the Wine prefix $WINEPREFIX ..." >&2
wineboot -i >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
# The dialogs' Japanese fonts, drawn with the IPA fonts of the same widths.
for pair in 'ＭＳ Ｐゴシック=IPAPGothic' 'MS PGothic=IPAPGothic' 'ＭＳ ゴシック=IPAGothic' 'MS Gothic=IPAGothic' \
            'MS UI Gothic=IPAPGothic'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1 </dev/null
done
wineserver -w
touch "$WINEPREFIX/.kometori-ready-2"
