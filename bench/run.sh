#!/bin/bash
# Export benchmark: generates comment files of 10,000, 100,000 and 1,000,000
# comments in the message server's shape, converts each with
# `kometori-cli convert` (default format, code page 932) under Wine and prints
# comments per second and peak memory, then the time the comment reader alone
# needs to load each file and walk its chat elements.
#
#   bash bench/run.sh [COUNT...]
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when a program is missing.
# KOMETORI_BENCH_DIR: where the generated files go (default: $KOMETORI_BUILD_DIR/bench-data).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${KOMETORI_BUILD_DIR:-$src/build}"
export KOMETORI_BUILD_DIR="$build"
data="${KOMETORI_BENCH_DIR:-$build/bench-data}"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 100000 1000000)

source "$src/bench/prepare.sh"
bench_prepare kometori-cli kometori-reader-bench

mkdir -p "$data"
cd "$data"
rm -f Kometori.ini  # the built-in defaults: default format, code page 932
printf '%-10s %9s %9s %9s %13s %9s | %8s %8s %9s\n' comments file_MB wall_s cpu_s comments/s peak_MB \
       load_s walk_s peak_MB
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    [ -f "$xml" ] || python3 "$src/bench/make_comments.py" "$n" "$xml"
    rm -f "comments-$n.txt"
    # Wall and CPU time of the whole process (Wine's start included); the
    # program reports its own peak working set when asked.
    /usr/bin/time -f '%e %U %S' -o time.out env KOMETORI_REPORT_PEAK_MEMORY=1 \
        wine "$build/kometori-cli.exe" convert -y "$xml" >convert.out 2>convert.err </dev/null || {
        echo "convert failed for $n comments:" >&2
        cat convert.out convert.err >&2
        exit 1
    }
    read -r wall user sys <time.out
    peak=$(sed -n 's/^PeakWorkingSetSize = //p' convert.err | tr -d '\r')
    lines=$(wc -l <"comments-$n.txt")
    reader=$(wine "$build/kometori-reader-bench.exe" "$xml" </dev/null 2>&1 | tr -d '\r')
    load=$(sed -n 's/.*load=\([0-9.]*\).*/\1/p' <<<"$reader")
    walk=$(sed -n 's/.*walk=\([0-9.]*\).*/\1/p' <<<"$reader")
    rpeak=$(sed -n 's/.*peak_mb=\([0-9.]*\).*/\1/p' <<<"$reader")
    awk -v n="$n" -v size="$(stat -c %s "$xml")" -v wall="$wall" -v user="$user" -v sys="$sys" \
        -v peak="$peak" -v load="$load" -v walk="$walk" -v rpeak="$rpeak" 'BEGIN {
        printf "%-10d %9.1f %9.2f %9.2f %13.0f %9.1f | %8.3f %8.3f %9.1f\n",
               n, size / 1048576, wall, user + sys, n / wall, peak / 1048576, load, walk, rpeak }'
    [ "$lines" -ge "$n" ] || echo "warning: $lines lines for $n comments" >&2
done
echo "wall_s/cpu_s: kometori-cli convert as a whole; load_s/walk_s: the comment reader alone (load the"
echo "file; read every attribute and the text of each chat element); peak_MB: peak working set."
