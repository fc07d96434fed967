#!/bin/bash
# Run by the stand-in site with its addresses in the environment.
set -eu
: "${KOMETORI_BUILD_DIR:?}" "${KOMETORI_STANDIN_MAIN:?}" "${KOMETORI_STANDIN_SECURE:?}"
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
demo="$KOMETORI_BUILD_DIR/demo"
mkdir -p "$demo"
cd "$demo"
# The demo's settings: the stand-in's hosts and its premium test account.
printf '[site]\r\nMainHost=%s\r\nSecureHost=%s\r\nAuthorSite=%s\r\n[main]\r\nMail=premium@kometori.test\r\nPass=p&ss+w%%rd=1\r\nSavePath=%s\r\nURL=sm9\r\n[info]\r\nViewInfoWindow=1\r\n' \
    "$KOMETORI_STANDIN_MAIN" "$KOMETORI_STANDIN_SECURE" "${KOMETORI_STANDIN_AUTHOR:-}" \
    "$(winepath -w "$demo/comments" 2>/dev/null)" > Kometori.ini

out=$(mktemp)
echo "== kometori-cli get sm9 =="
wine "$KOMETORI_BUILD_DIR/kometori-cli.exe" get -t sm9 >"$out" 2>&1 </dev/null || true
iconv -f CP932 -t UTF-8 "$out" | tr -d '\r'
rm -f "$out"
echo "== saved in $demo/comments =="
ls -l "$demo/comments"

# The help menu opens readme.txt from the start folder.
[ -f "$KOMETORI_BUILD_DIR/readme.txt" ] && cp "$KOMETORI_BUILD_DIR/readme.txt" "$demo/"
echo "== Kometori.exe: press コメント取得(D) to fetch sm9 through the window; close it to end the demo =="
wine "$KOMETORI_BUILD_DIR/Kometori.exe" >/dev/null 2>&1 </dev/null
