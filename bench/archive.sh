#!/bin/bash
# Archive benchmark: one round of `kometori-cli get --archive` (sign-in, the
# reply of the stand-in's sm1234, the merge into the archive and its
# replacement) on an archive of COUNT comments (bench/make_comments.py writes
# them for sm1234's thread), beside `xmllint --stream --noout` of the archive.
# Round after round the two run in turn; printed are the medians of the
# rounds and of each round's ratio, and the round's peak working set.
#
#   bash bench/archive.sh [COUNT]      (default 1,000,000)
#
# KOMETORI_BUILD_DIR, KOMETORI_BENCH_DIR and KOMETORI_BENCH_RUNS (default 5) as for bench/run.sh.
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$src/bench/prepare.sh"
if [ "${1:-}" != --inner ]; then
    bench_settings "1000000" "$@"
    command -v xmllint >/dev/null || { echo "xmllint is missing (package libxml2-utils)" >&2; exit 1; }
    bench_prepare kometori-cli
    folder="$data/archive-${counts[0]}"
    mkdir -p "$folder"
    [ -f "$folder/made.xml" ] || python3 "$src/bench/make_comments.py" "${counts[0]}" "$folder/made.xml"
    cp "$folder/made.xml" "$folder/sm1234.xml"
    source "$src/tests/tools/session.sh"
    "$src/tests/standin/make-certs.sh" "$build/certs" >/dev/null
    exec python3 "$src/tests/standin/standin.py" --exec -- bash "$src/bench/archive.sh" --inner "$folder" \
        "${counts[0]}"
fi
folder=$2 count=$3
build="${KOMETORI_BUILD_DIR:-$src/build}"
rounds="${KOMETORI_BENCH_RUNS:-5}"
cd "$folder"
printf '[site]\r\nMainHost=%s\r\nSecureHost=%s\r\n[main]\r\nMail=premium@kometori.test\r\nPass=p&ss+w%%rd=1\r\nAccessWait=0\r\n[archive]\r\nEnabled=1\r\nFormat=%%thread%%\r\n' \
    "$KOMETORI_STANDIN_MAIN" "$KOMETORI_STANDIN_SECURE" >Kometori.ini
source "$src/tests/tools/wine-env.sh"
wine "$build/kometori-cli.exe" --help >/dev/null 2>&1 </dev/null || true
# The first round turns the made file into the archive's own form.
measure wine "$build/kometori-cli.exe" get -o "$(winepath -w "$folder")" sm1234
ow=() oc=() w=() c=() rw=() rc=() peak=0
for _ in $(seq "$rounds"); do
    measure xmllint --stream --noout sm1234.xml
    ow+=("$wall") oc+=("$cpu")
    measure env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" get -o "$(winepath -w "$folder")" sm1234
    grep -q "アーカイブに 0 件を追加しました (計 $count 件、" <(iconv -f cp932 -t utf-8 run.out) || {
        echo "the round did not keep the archive:" >&2
        iconv -f cp932 -t utf-8 run.out >&2
        exit 1
    }
    w+=("$wall") c+=("$cpu") rw+=("$(ratio "$wall" "${ow[-1]}")") rc+=("$(ratio "$cpu" "${oc[-1]}")")
    peak=$(awk -v a="$peak" -v b="$(reported_peak)" 'BEGIN { print (b > a) ? b : a }')
done
echo "archive of $count comments ($(mb "$(stat -c %s sm1234.xml)") MB), $rounds rounds, medians:"
echo "xmllint wall $(median "${ow[@]}") s, CPU $(median "${oc[@]}") s; round wall $(median "${w[@]}") s," \
     "CPU $(median "${c[@]}") s, peak $(mb "$peak") MB; x xmllint wall $(median "${rw[@]}"), CPU $(median "${rc[@]}")" \
     "(goal: at most 1.5)"
