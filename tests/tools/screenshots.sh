#!/bin/bash
# Screenshots of the window program for the README, taken on the test
# command's X display: run by the stand-in site (its addresses in the
# environment), Kometori.exe in a Wine virtual desktop with settings of its
# own, driven by shot_driver.exe; ImageMagick's import writes the PNGs into
# the build folder, and with KOMETORI_UPDATE_DOCS=1 copies them into docs/ too
# (after-fetch.png shows the stand-in's port, which changes on every run):
#   screenshots/main-window.png   the main window at start
#   screenshots/after-fetch.png   the main window, its message box and the info window after a fetch of sm9
#   screenshots/viewer.png        the comment viewer over an invented thread, opened as "Open with" does,
#                                 searching for a word and a comment picked on the graph
set -eu
: "${KOMETORI_BUILD_DIR:?}" "${KOMETORI_STANDIN_MAIN:?}" "${KOMETORI_STANDIN_SECURE:?}"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/../.." && pwd)
source "$here/wine-env.sh"
driver="$KOMETORI_BUILD_DIR/tests/shot_driver.exe"
work="$KOMETORI_BUILD_DIR/screenshots"
size=1180x580
rm -rf "$work"
mkdir -p "$work/comments"
cd "$work"
# A fixed past-log moment and places, so that the pictures stay the same.
printf '[site]\r\nMainHost=%s\r\nSecureHost=%s\r\n[main]\r\nLeft=24\r\nTop=24\r\nURL=sm9\r\nSavePath=%s\r\nMail=premium@kometori.test\r\nPass=p&ss+w%%rd=1\r\nPastLog=1\r\nNotifyVersionUp=0\r\n[info]\r\nViewInfoWindow=1\r\nLeft=756\r\nTop=24\r\nWidth=400\r\nHeight=530\r\n[pastlog]\r\nYear=2010\r\nMonth=5\r\nDay=1\r\nHour=12\r\nMinute=0\r\nSecond=0\r\n' \
    "$KOMETORI_STANDIN_MAIN" "$KOMETORI_STANDIN_SECURE" 'C:\Kometori\comments' > Kometori.ini
mkdir -p "$WINEPREFIX/drive_c/Kometori/comments"
rm -f "$WINEPREFIX/drive_c/Kometori/comments/"*

wine explorer "/desktop=Kometori,$size" "$KOMETORI_BUILD_DIR/Kometori.exe" >"$work/wine.log" 2>&1 </dev/null &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
# Wine's helper processes may start during a step and keep its standard
# handles: into a file, or CTest would wait for them.
drive() {
    wine "$driver" --desktop=Kometori "$1" >>"$work/driver.log" 2>&1 </dev/null || { cat "$work/driver.log"; exit 1; }
}
shot() {
    # The step's windows are up; give them a moment to paint.
    sleep 1
    import -window root -crop "$2" +repage "$work/$1"
}
drive main
shot main-window.png 550x240+0+0
drive fetch
shot after-fetch.png "$size+0+0"
drive finish
wait "$program" || true
ls "$WINEPREFIX/drive_c/Kometori/comments/"*.xml >/dev/null

# The viewer: the program started again with a comment file as its argument.
thread='ソラと表の予言 第3話(sm20100105)[10.01.05 21時30分].xml'
python3 "$here/make_thread.py" "$WINEPREFIX/drive_c/Kometori/comments/$thread"
printf '[viewer]\r\nLeft=0\r\nTop=0\r\nWidth=1000\r\nHeight=580\r\n' >> Kometori.ini
wine explorer "/desktop=Kometori,$size" "$KOMETORI_BUILD_DIR/Kometori.exe" "C:\\Kometori\\comments\\$thread" \
    >>"$work/wine.log" 2>&1 </dev/null &
program=$!
drive viewer
shot viewer.png 1000x580+0+0
drive close
wait "$program" || true

echo "wrote $work/main-window.png, $work/after-fetch.png and $work/viewer.png"
if [ "${KOMETORI_UPDATE_DOCS:-}" = 1 ]; then
    cp "$work/main-window.png" "$work/after-fetch.png" "$work/viewer.png" "$src/docs/"
    echo "copied them into $src/docs"
fi
