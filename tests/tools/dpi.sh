#!/bin/bash
# The window program at 96, 144 and 192 dots per inch (100, 150 and 200 %
# display scaling): the past-log fold ends just above its frame and the info
# window's default size grows with the scaling. Wine takes the dots per inch
# from the prefix's registry (LogPixels), read by every process at its start,
# so the runs use a copy of the test prefix of their own: the other tests keep
# 96. shot_driver measures; this script checks that the program saw each
# scaling (its window grows with it).
set -eu
: "${KOMETORI_BUILD_DIR:?}"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
"$here/setup-prefix.sh"
own_prefix dpi
driver="$KOMETORI_BUILD_DIR/tests/shot_driver.exe"
work="$KOMETORI_BUILD_DIR/dpi"
fail() { echo "dpi: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

declare -A width
for dpi in 96 144 192; do
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
    mkdir "$work/$dpi"
    cd "$work/$dpi"
    printf '[main]\r\nNotifyVersionUp=0\r\nPastLog=1\r\nLeft=10\r\nTop=10\r\n[info]\r\nViewInfoWindow=1\r\n' > Kometori.ini
    wine explorer "/desktop=KometoriDpi,1600x1200" "$KOMETORI_BUILD_DIR/Kometori.exe" >"$work/$dpi/wine.log" 2>&1 </dev/null &
    program=$!
    if ! wine "$driver" --desktop=KometoriDpi fold >"$work/$dpi/fold.txt" 2>&1 </dev/null; then
        cat "$work/$dpi/fold.txt"
        kill $program 2>/dev/null || true
        fail "at $dpi dots per inch the folded window does not end between the fetch button and the past-log frame"
    fi
    wait $program || true
    line=$(grep '^dpi=' "$work/$dpi/fold.txt" | tr -d '\r')
    echo "$line"
    [ "${line%% *}" = "dpi=$dpi" ] || fail "the program did not run at $dpi dots per inch: $line"
    width[$dpi]=$(sed -n 's/.*client_width=\([0-9]*\).*/\1/p' <<<"$line")
    info=$(sed -n 's/.*info=\([0-9x]*\).*/\1/p' <<<"$line")
    [ "$info" = "$((240 * dpi / 96))x$((400 * dpi / 96))" ] || fail "info window $info at $dpi dots per inch"
    tabs=$(sed -n 's/.*tabs_height=\([0-9]*\).*/\1/p' <<<"$line")
    [ "$tabs" = "$((26 * dpi / 96))" ] || fail "tab strip $tabs high at $dpi dots per inch"
done
# The dialog grows with its font: the program saw each scaling.
for dpi in 144 192; do
    ratio=$((width[$dpi] * 100 / width[96]))
    [ "$ratio" -ge $((dpi * 100 / 96 - 10)) ] && [ "$ratio" -le $((dpi * 100 / 96 + 10)) ] ||
        fail "the main window is ${width[$dpi]} wide at $dpi, ${width[96]} at 96"
done
echo "the fold and the info window follow 96, 144 and 192 dots per inch"
