#!/bin/bash
# Export benchmark: comment files of 10,000, 100,000 and 1,000,000 comments in
# the message server's shape (bench/make_comments.py), each made into text
# (`kometori-cli convert`, the default format, code page 932) and into
# subtitles (`kometori-cli subtitles`, the default options) under Wine, with
# `xmllint --stream --noout` reading the same file as the yardstick. Round
# after round the commands run in turn, each of ours right after an xmllint
# run, so that a change in the machine's load falls on both; printed are the
# medians of the rounds: wall and CPU seconds, the peak working set and the
# ratio of each round's pair.
#
# Then, beside the text export without rules, the same export with NG rules
# (bench/make_rules.py) and the data export (JSON Lines), again in turn, and
# last the merge of the largest file with itself.
#
# Every output's SHA-256 is checked against bench/expected.sha256, the bytes
# the exports wrote before they were made fast; other bytes fail the
# benchmark, a slow run never does.
#
#   bash bench/run.sh [COUNT...]
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when a program is missing.
# KOMETORI_BENCH_DIR: where the generated files go (default: $KOMETORI_BUILD_DIR/bench-data).
# KOMETORI_BENCH_RUNS: rounds (default 5).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$src/bench/prepare.sh"
bench_settings "10000 100000 1000000" "$@"
rounds="${KOMETORI_BENCH_RUNS:-5}"
command -v xmllint >/dev/null || { echo "xmllint is missing (package libxml2-utils)" >&2; exit 1; }

bench_prepare kometori-cli

mkdir -p "$data"
cd "$data"
rm -f Kometori.ini  # the built-in defaults: default format, code page 932
export TZ=JST-9     # the text holds local dates: the checked bytes are Japan's
cli="$build/kometori-cli.exe"

# The output's SHA-256 against the one recorded for its name; a name without
# one (another count) is not checked.
check_output() {
    local file=$1 name=$2 want got
    want=$(awk -v n="$name" '$2 == n { print $1 }' "$src/bench/expected.sha256")
    [ -n "$want" ] || return 0
    got=$(sha256sum "$file" | cut -d' ' -f1)
    if [ "$got" != "$want" ]; then
        echo "$name: the output differs from the recorded bytes (SHA-256 $got, expected $want)" >&2
        exit 1
    fi
}


# Our command in rounds beside another (each round the other, then ours):
# sets ours_wall, ours_cpu, other_wall, other_cpu and the ratios ratio_wall,
# ratio_cpu (medians of the rounds) and peak (the largest, bytes).
#   beside NAME OUTPUT OTHER COMMAND... -- OUR COMMAND...
beside() {
    local name=$1 output=$2 other=() ow=() oc=() w=() c=() rw=() rc=() round
    shift 2
    while [ "$1" != -- ]; do other+=("$1"); shift; done
    shift
    peak=0
    for round in $(seq "$rounds"); do
        measure "${other[@]}"
        ow+=("$wall") oc+=("$cpu")
        rm -f "$output"
        measure env KOMETORI_REPORT_PEAK_MEMORY=1 "$@"
        check_output "$output" "$name"
        w+=("$wall") c+=("$cpu") rw+=("$(ratio "$wall" "${ow[-1]}")") rc+=("$(ratio "$cpu" "${oc[-1]}")")
        peak=$(awk -v a="$peak" -v b="$(reported_peak)" 'BEGIN { print (b > a) ? b : a }')
    done
    ours_wall=$(median "${w[@]}") ours_cpu=$(median "${c[@]}")
    other_wall=$(median "${ow[@]}") other_cpu=$(median "${oc[@]}")
    ratio_wall=$(median "${rw[@]}") ratio_cpu=$(median "${rc[@]}")
}

printf '%-9s %7s  %-9s | %6s %6s | %6s %6s %9s %7s | %6s %6s\n' comments file_MB command xml_s xml_cpu wall_s \
       cpu_s comments/s peak_MB x_wall x_cpu
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    [ -f "$xml" ] || python3 "$src/bench/make_comments.py" "$n" "$xml"
    for command in convert subtitles; do
        extension=txt
        [ "$command" = convert ] || extension=ass
        beside "$command-$n.$extension" "comments-$n.$extension" xmllint --stream --noout "$xml" -- \
               wine "$cli" "$command" -y "$xml"
        awk -v n="$n" -v size="$(stat -c %s "$xml")" -v what="$command" -v xw="$other_wall" -v xc="$other_cpu" \
            -v w="$ours_wall" -v c="$ours_cpu" -v p="$(mb "$peak")" -v rw="$ratio_wall" -v rc="$ratio_cpu" 'BEGIN {
            printf "%-9d %7.1f  %-9s | %6.2f %6.2f | %6.2f %6.2f %9.0f %7.1f | %6.2f %6.2f\n",
                   n, size / 1048576, what, xw, xc, w, c, n / w, p, rw, rc }'
    done
done

# NG rules and the data export, each beside the text export without rules.
printf '\n%-9s | %6s | %-7s %6s %7s %7s | %-8s %6s %7s %7s\n' comments text_s ng_s x_text x_cpu ng_MB export_s \
       x_text x_cpu data_MB
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    python3 "$src/bench/make_rules.py" "$xml" rules.txt
    beside "ng-$n.txt" ng.txt wine "$cli" convert -y --no-ng "$xml" -- \
           wine "$cli" convert -y --ng rules.txt "$xml" ng.txt
    text_wall=$other_wall ng_wall=$ours_wall ng_ratio=$ratio_wall ng_cpu_ratio=$ratio_cpu ng_peak=$peak
    beside "export-$n.jsonl" "comments-$n.jsonl" wine "$cli" convert -y --no-ng "$xml" -- \
           wine "$cli" export -y --no-ng "$xml"
    awk -v n="$n" -v t="$text_wall" -v g="$ng_wall" -v gr="$ng_ratio" -v gc="$ng_cpu_ratio" -v gp="$(mb "$ng_peak")" \
        -v d="$ours_wall" -v dr="$ratio_wall" -v dc="$ratio_cpu" -v dp="$(mb "$peak")" 'BEGIN {
        printf "%-9d | %6.2f | %-7.2f %6.2f %7.2f %7.1f | %-8.2f %6.2f %7.2f %7.1f\n", n, t, g, gr, gc, gp, d, dr, dc, dp }'
done
rm -f rules.txt ng.txt

# The merge streams its inputs side by side: the largest file with itself.
xml="comments-${counts[-1]}.xml"
measure env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$cli" merge -y -o merged.xml "$xml" "$xml"
echo
echo "merge of ${counts[-1]} comments with themselves: wall $wall s, cpu $cpu s, peak $(mb "$(reported_peak)") MB"
rm -f merged.xml

echo "xml: xmllint --stream --noout; wall_s/cpu_s: the whole process, Wine's start included; x_wall/x_cpu:"
echo "the median of the rounds' ratios to xmllint (goals: convert at most 1.0, subtitles at most 1.5; peak at"
echo "most 48 MB). text_s: convert without rules; x_text: the median ratio of the rounds to it (goals: rules at"
echo "most 2, export at most 1.5). Medians of $rounds rounds; every output checked against bench/expected.sha256."
