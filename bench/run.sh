#!/bin/bash
# Export benchmark: generates comment files of 10,000, 100,000 and 1,000,000
# comments in the message server's shape, converts each with
# `kometori-cli convert` (default format, code page 932) under Wine, and reads
# the same file with `xmllint --stream` for comparison. Prints times, the ratio
# to xmllint and the peak memory, then the time the comment reader alone needs
# to check a file and to stream its chat elements, and the time and peak of
# merging the largest file with itself. Last, for each file: the same text
# export with NG rules (100 words, 20 patterns, 50 user ids) and the data
# export (JSON Lines), each beside the text export without rules.
#
#   bash bench/run.sh [COUNT...]
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when a program is missing.
# KOMETORI_BENCH_DIR: where the generated files go (default: $KOMETORI_BUILD_DIR/bench-data).
# KOMETORI_BENCH_RUNS: runs of each measurement, the fastest counts (default 3).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$src/bench/prepare.sh"
bench_settings "10000 100000 1000000" "$@"
command -v xmllint >/dev/null || { echo "xmllint is missing (package libxml2-utils)" >&2; exit 1; }

bench_prepare kometori-cli kometori-reader-bench

mkdir -p "$data"
cd "$data"
rm -f Kometori.ini  # the built-in defaults: default format, code page 932

printf '%-10s %8s | %7s %7s | %7s %7s %9s %8s | %7s %6s | %7s %7s %8s\n' comments file_MB xml_wall xml_cpu \
       wall cpu comments/s peak_MB x_wall x_cpu check_s stream_s rdr_MB
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    [ -f "$xml" ] || python3 "$src/bench/make_comments.py" "$n" "$xml"
    read -r xwall xcpu < <(fastest xmllint --stream --noout "$xml")
    # Wall and CPU time of the whole process (Wine's start included); the
    # program reports its own peak working set when asked.
    read -r wall cpu < <(fastest env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" convert -y "$xml")
    peak=$(sed -n 's/^PeakWorkingSetSize = //p' run.err | tr -d '\r')
    lines=$(wc -l <"comments-$n.txt")
    reader=$(wine "$build/kometori-reader-bench.exe" "$xml" </dev/null 2>&1 | tr -d '\r')
    check=$(sed -n 's/.*check=\([0-9.]*\).*/\1/p' <<<"$reader")
    stream=$(sed -n 's/.*stream=\([0-9.]*\).*/\1/p' <<<"$reader")
    rpeak=$(sed -n 's/.*peak_mb=\([0-9.]*\).*/\1/p' <<<"$reader")
    awk -v n="$n" -v size="$(stat -c %s "$xml")" -v xwall="$xwall" -v xcpu="$xcpu" -v wall="$wall" -v cpu="$cpu" \
        -v peak="$peak" -v check="$check" -v stream="$stream" -v rpeak="$rpeak" 'BEGIN {
        printf "%-10d %8.1f | %7.2f %7.2f | %7.2f %7.2f %9.0f %8.1f | %7.2f %6.2f | %7.3f %7.3f %8.1f\n",
               n, size / 1048576, xwall, xcpu, wall, cpu, n / wall, peak / 1048576, wall / xwall, cpu / xcpu,
               check, stream, rpeak }'
    [ "$lines" -ge "$n" ] || echo "warning: $lines lines for $n comments" >&2
done
# The merge streams its inputs side by side: the largest file with itself.
xml="comments-${counts[-1]}.xml"
read -r wall cpu < <(fastest env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" merge -y -o merged.xml \
                     "$xml" "$xml")
peak=$(sed -n 's/^PeakWorkingSetSize = //p' run.err | tr -d '\r')
awk -v n="${counts[-1]}" -v wall="$wall" -v cpu="$cpu" -v peak="$peak" 'BEGIN {
    printf "merge of %d comments with themselves: wall %.2f s, cpu %.2f s, peak %.1f MB\n", n, wall, cpu, peak / 1048576 }'
rm -f merged.xml

# NG rules and the data export, each against the text export without rules:
# the three run in turn, round after round, so that a change in the machine's
# load falls on all of them; the fastest wall time of each counts.
printf '\n%-10s | %7s | %7s %7s %8s | %8s %7s %8s\n' comments text_s ng_s x_text ng_MB export_s x_text peak_MB
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    python3 "$src/bench/make_rules.py" "$xml" rules.txt
    text="" ng="" data=""
    for _ in $(seq "$runs"); do
        read -r t _ < <(runs=1 fastest wine "$build/kometori-cli.exe" convert -y --no-ng "$xml")
        read -r g _ < <(runs=1 fastest env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" convert -y \
                        --ng rules.txt "$xml")
        gpeak=$(sed -n 's/^PeakWorkingSetSize = //p' run.err | tr -d '\r')
        read -r d _ < <(runs=1 fastest env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" export -y \
                        --no-ng "$xml")
        dpeak=$(sed -n 's/^PeakWorkingSetSize = //p' run.err | tr -d '\r')
        text=$(awk -v a="$text" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
        ng=$(awk -v a="$ng" -v b="$g" 'BEGIN { print (a == "" || b < a) ? b : a }')
        data=$(awk -v a="$data" -v b="$d" 'BEGIN { print (a == "" || b < a) ? b : a }')
    done
    awk -v n="$n" -v text="$text" -v ng="$ng" -v data="$data" -v gpeak="$gpeak" -v dpeak="$dpeak" 'BEGIN {
        printf "%-10d | %7.2f | %7.2f %7.2f %8.1f | %8.2f %7.2f %8.1f\n", n, text, ng, ng / text, gpeak / 1048576,
               data, data / text, dpeak / 1048576 }'
done
rm -f rules.txt
echo "xml_*: xmllint --stream --noout; wall/cpu: kometori-cli convert as a whole (Wine's start included);"
echo "x_wall/x_cpu: convert's time over xmllint's; check_s/stream_s: the comment reader alone (a checking pass;"
echo "then every attribute and the text of each chat element); peak_MB/rdr_MB: peak working set."
echo "text_s: convert without rules; ng_s: convert with 100 words, 20 patterns and 50 user ids (goal: x_text"
echo "at most 2); export_s: export to JSON Lines (goal: x_text at most 1.5); wall seconds, the fastest run."
