#!/bin/bash
# Graph benchmark: comment files of 100,000 and 1,000,000 comments (or the
# counts given) in the message server's shape, each drawn by
# `kometori-cli graph` (PNG and CSV) under Wine and read by
# `xmllint --stream` for comparison. Prints the fastest of
# KOMETORI_BENCH_RUNS runs (default 3) of each, their ratio, the graph's peak
# memory and the time the comment reader alone takes to stream the file.
#
#   bash bench/graph.sh [COUNT...]
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when a program is missing.
# KOMETORI_BENCH_DIR: where the generated files go (default: $KOMETORI_BUILD_DIR/bench-data).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$src/bench/prepare.sh"
bench_settings "100000 1000000" "$@"
command -v xmllint >/dev/null || { echo "xmllint is missing (package libxml2-utils)" >&2; exit 1; }

bench_prepare kometori-cli kometori-reader-bench

mkdir -p "$data"
cd "$data"
rm -f Kometori.ini  # the built-in defaults

printf '%-10s %8s | %7s %7s | %7s %7s %9s %8s | %7s %6s | %8s\n' comments file_MB xml_wall xml_cpu \
       wall cpu comments/s peak_MB x_wall x_cpu stream_s
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    [ -f "$xml" ] || python3 "$src/bench/make_comments.py" "$n" "$xml"
    read -r xwall xcpu < <(fastest xmllint --stream --noout "$xml")
    read -r wall cpu < <(fastest env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" graph -y \
                         --csv "comments-$n.csv" "$xml")
    peak=$(sed -n 's/^PeakWorkingSetSize = //p' run.err | tr -d '\r')
    stream=$(wine "$build/kometori-reader-bench.exe" "$xml" </dev/null 2>&1 | tr -d '\r' |
             sed -n 's/.*stream=\([0-9.]*\).*/\1/p')
    awk -v n="$n" -v size="$(stat -c %s "$xml")" -v xwall="$xwall" -v xcpu="$xcpu" -v wall="$wall" -v cpu="$cpu" \
        -v peak="$peak" -v stream="$stream" 'BEGIN {
        printf "%-10d %8.1f | %7.2f %7.2f | %7.2f %7.2f %9.0f %8.1f | %7.2f %6.2f | %8.3f\n",
               n, size / 1048576, xwall, xcpu, wall, cpu, n / wall, peak / 1048576, wall / xwall, cpu / xcpu,
               stream }'
done
echo "xml_*: xmllint --stream --noout; wall/cpu: kometori-cli graph (PNG 1280x200 and CSV) as a whole, Wine's start"
echo "included; x_wall/x_cpu: its time over xmllint's; stream_s: the comment reader alone streaming the file."
