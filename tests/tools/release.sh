#!/bin/bash
# The release archive as a user downloads it: CPack builds Kometori-VERSION.zip
# from the build tree; it must hold the two programs, the manual and the
# license and nothing else, the programs may import only system DLLs, and each
# must run from a folder that holds nothing but itself.
#   release.sh VERSION CPACK OBJDUMP    (KOMETORI_BUILD_DIR in the environment)
set -eu
: "${KOMETORI_BUILD_DIR:?}"
version=$1 cpack=$2 objdump=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/../.." && pwd)
source "$here/wine-env.sh"
"$here/setup-prefix.sh"
own_prefix release
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
work="$KOMETORI_BUILD_DIR/release-test"
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$KOMETORI_BUILD_DIR/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
zip="$work/package/Kometori-$version.zip"
[ -f "$zip" ] || fail "no $zip: $(ls "$work/package")"

entries=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
[ "$entries" = "Kometori.exe LICENSE.txt kometori-cli.exe readme.txt" ] || fail "the archive holds: $entries"
python3 -m zipfile -e "$zip" "$work/unpacked"
cmp "$work/unpacked/readme.txt" "$KOMETORI_BUILD_DIR/readme.txt" || fail "readme.txt is not the code page 932 manual"
sed 's/$/\r/' "$src/LICENSE" | cmp - "$work/unpacked/LICENSE.txt" || fail "LICENSE.txt is not LICENSE with CR LF"

# The copies of the version that the build does not make from project().
grep -qF "version=\"$version.0.0\"" "$src/src/resources/kometori.manifest" || fail "the manifest is not $version"
head -n 3 "$src/docs/readme.txt" | grep -qF "Kometori Ver.$version" || fail "docs/readme.txt is not Ver.$version"

# One version resource in each program, with the project's version.
product_versions='import re, sys
key = "ProductVersion".encode("utf-16-le") + b"\0\0"
found = re.findall(re.escape(key) + rb"(?:\0\0)?((?:[0-9.]\0)+)", open(sys.argv[1], "rb").read())
print(" ".join(v.decode("utf-16-le") for v in found))'
for exe in Kometori.exe kometori-cli.exe; do
    found=$(python3 -c "$product_versions" "$work/unpacked/$exe")
    [ "$found" = "$version" ] || fail "$exe has the version resources: $found"
done

system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll shlwapi.dll user32.dll wininet.dll "
for exe in Kometori.exe kometori-cli.exe; do
    for dll in $("$objdump" -p "$work/unpacked/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
        case "$system_dlls" in *[[:space:]]"$dll"[[:space:]]*) ;; *) fail "$exe imports $dll" ;; esac
    done
done

# The DLLs a program loads at its start (the others at their first call).
start_imports() {
    "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' '
}
# The console companion starts with the system's core alone: the window
# libraries load at the first call into them, which most commands never make.
cli_imports=$(start_imports "$work/unpacked/kometori-cli.exe")
[ "$cli_imports" = "advapi32.dll kernel32.dll msvcrt.dll " ] || fail "kometori-cli.exe loads at its start: $cli_imports"
# The window program starts with what paints its window; the dialogs, the
# shell, COM and WinINet wait for the user's first use of them.
window_imports=$(start_imports "$work/unpacked/Kometori.exe")
[ "$window_imports" = "advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll " ] ||
    fail "Kometori.exe loads at its start: $window_imports"

# Each program alone in an empty folder, as from the unpacked archive.
mkdir "$work/cli" "$work/window"
cp "$work/unpacked/kometori-cli.exe" "$work/cli/"
(cd "$work/cli" && wine kometori-cli.exe --help >"$work/cli.log" 2>&1 </dev/null) || { cat "$work/cli.log"; fail "kometori-cli --help"; }
grep -q "kometori-cli get" "$work/cli.log" || { cat "$work/cli.log"; fail "kometori-cli printed no usage"; }

# The window program in a virtual desktop of its own, so that the driver finds
# its window and not one of a window test running beside it.
cp "$work/unpacked/Kometori.exe" "$work/window/"
cd "$work/window"
wine explorer /desktop=KometoriRelease,800x600 Kometori.exe >"$work/window.log" 2>&1 </dev/null &
program=$!
trap 'kill $program 2>/dev/null || true; wineserver -k >/dev/null 2>&1 || true' EXIT
wine "$KOMETORI_BUILD_DIR/tests/shot_driver.exe" --desktop=KometoriRelease close >"$work/driver.log" 2>&1 </dev/null ||
    { cat "$work/driver.log"; fail "the main window did not come and close"; }
for _ in $(seq 600); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
kill -0 $program 2>/dev/null && fail "Kometori.exe did not end"
# The settings go beside the program, into the folder it started in.
grep -q '^SavePath=.*\\window\\Down' Kometori.ini || fail "no Kometori.ini with the start folder: $(ls)"
[ "$(ls)" = "$(printf 'Kometori.exe\nKometori.ini')" ] || fail "the folder holds: $(ls)"
echo "Kometori-$version.zip: $entries; both programs run alone"
