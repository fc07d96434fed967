#!/bin/bash
# Viewer benchmark: comment files of 100,000 and 1,000,000 comments (or the
# counts given) in the message server's shape, each opened in the comment
# viewer window by `kometori-viewer-bench` under Wine on a virtual display.
# In the same process, before the viewer, the yardstick: the comment reader
# alone streaming the file (the attributes and the text the viewer keeps).
# The fastest of KOMETORI_BENCH_RUNS runs (default 3) counts. Prints the
# viewer's own seconds (open: from the open to the graph and the list drawn;
# search: from a word typed to the list of its comments; pattern: the same
# for a pattern with "正規表現" checked), the reader's, their ratio and the
# viewer's peak working set.
#
#   bash bench/viewer.sh [COUNT...]
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when a program is missing.
# KOMETORI_BENCH_DIR: where the generated files go (default: $KOMETORI_BUILD_DIR/bench-data).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$src/bench/prepare.sh"
bench_settings "100000 1000000" "$@"

# The display first: Wine's desktop process, started with the first program,
# takes the display it finds then.
source "$src/tests/tools/session.sh"
display_start
trap display_stop EXIT
bench_prepare kometori-cli kometori-viewer-bench

mkdir -p "$data"
cd "$data"
rm -f Kometori.ini  # the built-in defaults: no NG rules

least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }
most() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 > a + 0) ? b : a }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" run.out | tr -d '\r'; }

printf '%-10s %8s | %7s %7s %6s | %8s %9s | %8s\n' comments file_MB read_s open_s x_read search_s pattern_s peak_MB
for n in "${counts[@]}"; do
    xml="comments-$n.xml"
    [ -f "$xml" ] || python3 "$src/bench/make_comments.py" "$n" "$xml"
    read="" open="" search="" pattern="" peak=""
    for _ in $(seq "$runs"); do
        runs=1 fastest wine "$build/kometori-viewer-bench.exe" "$xml" >/dev/null
        read=$(least "$read" "$(field read)")
        open=$(least "$open" "$(field open)")
        search=$(least "$search" "$(field search)")
        pattern=$(least "$pattern" "$(field pattern)")
        peak=$(most "$peak" "$(field peak_mb)")  # against a ceiling: the largest
    done
    awk -v n="$n" -v size="$(stat -c %s "$xml")" -v read="$read" -v open="$open" -v search="$search" \
        -v pattern="$pattern" -v peak="$peak" 'BEGIN {
        printf "%-10d %8.1f | %7.2f %7.2f %6.2f | %8.3f %9.3f | %8.1f\n", n, size / 1048576, read, open,
               open / read, search, pattern, peak }'
done
echo "read_s: the comment reader alone streaming the file (the yardstick, in the same process); open_s: the file"
echo "opened in a viewer, graph and list drawn; x_read: open_s over read_s; search_s: a word typed (\"神回\", about"
echo "one comment in ten) to its rows shown; pattern_s: the same for ^(ｗ|w)+\$; peak_MB: the viewer's peak working"
echo "set. Goals: open at most 1 s for 100,000 comments and 4 s for 1,000,000 in at most 300 MB; a search at most"
echo "0.3 s. Seconds measured inside the process, the fastest of the runs."
