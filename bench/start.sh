#!/bin/bash
# Start benchmark: the window program beside a minimal window of one dialog
# with common controls (bench/minimal_window.cpp, built by the same toolchain
# with the same manifest and font), each started by `kometori-start-bench`
# under Wine on a virtual display, in turn, round after round. Measured are
# the seconds from the start to the main window visible, painted and waiting
# for input, and the working set once the program is idle. The first round
# warms the caches and is not counted; printed are the medians of the other
# rounds and the median of the rounds' ratios.
#
#   bash bench/start.sh
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when a program is missing.
# KOMETORI_BENCH_DIR: where the settings go (default: $KOMETORI_BUILD_DIR/bench-data).
# KOMETORI_BENCH_RUNS: counted rounds (default 11).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$src/bench/prepare.sh"
bench_settings "" "$@"
rounds="${KOMETORI_BENCH_RUNS:-11}"

# The display first: Wine's desktop process, started with the first program,
# takes the display it finds then.
source "$src/tests/tools/session.sh"
display_start
trap display_stop EXIT
bench_prepare kometori-cli Kometori kometori-start-bench kometori-minimal-window
# A window open for the whole run, as a user's desktop always has one: without
# it Wine closes its desktop a second after each program and starts it again
# with the next one, beside the start being measured.
wine "$build/kometori-minimal-window.exe" >/dev/null 2>&1 </dev/null &
holder=$!
trap 'kill $holder 2>/dev/null || true; display_stop' EXIT

mkdir -p "$data/start"
cd "$data/start"
# The settings a first start has, but for the version notice: it runs as
# always, against a port of this machine where nothing listens, so that
# nothing leaves the machine.
printf '[site]\r\nAuthorSite=http://127.0.0.1:9\r\n' >Kometori.ini

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" run.out | tr -d '\r'; }
start() {
    measure wine "$build/kometori-start-bench.exe" "$@"
    visible=$(field visible_s) memory=$(field working_set_mb)
}

rm -f rounds.txt
ours_s=() ours_mb=() bare_s=() bare_mb=() ratio_s=() extra_mb=()
for round in $(seq 0 "$rounds"); do
    start "$build/kometori-minimal-window.exe"
    b_s=$visible b_mb=$memory
    start "$build/Kometori.exe"
    [ "$round" -gt 0 ] || continue
    echo "round $round: minimal $b_s s $b_mb MB, Kometori.exe $visible s $memory MB" >>rounds.txt
    bare_s+=("$b_s") bare_mb+=("$b_mb") ours_s+=("$visible") ours_mb+=("$memory")
    ratio_s+=("$(awk -v a="$visible" -v b="$b_s" 'BEGIN { print a / b }')")
    extra_mb+=("$(awk -v a="$memory" -v b="$b_mb" 'BEGIN { print a - b }')")
done

printf '%-16s | %9s %10s | %9s %10s\n' program visible_s idle_MB x_visible idle_MB_over
awk -v s="$(median "${bare_s[@]}")" -v m="$(median "${bare_mb[@]}")" 'BEGIN {
    printf "%-16s | %9.3f %10.1f |\n", "minimal window", s, m }'
awk -v s="$(median "${ours_s[@]}")" -v m="$(median "${ours_mb[@]}")" -v r="$(median "${ratio_s[@]}")" \
    -v e="$(median "${extra_mb[@]}")" -v b="$(median "${bare_mb[@]}")" 'BEGIN {
    printf "%-16s | %9.3f %10.1f | %9.2f %+10.1f\n", "Kometori.exe", s, m, r, e
    printf "ratios: start %.2f x the minimal window, idle working set %.2f x (%+.1f MB)\n", r, m / b, e }'
echo "visible_s: from the start to the main window visible and painted, the program waiting for input;"
echo "idle_MB: the working set once it has settled; x_visible, idle_MB_over: the median of the rounds' ratio"
echo "and difference to the minimal window. Goals: start at most 1.2 x, idle at most 6 MB over."
echo "Medians of $rounds rounds after one not counted (each round's figures: $data/start/rounds.txt)."
