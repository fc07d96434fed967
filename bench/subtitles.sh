#!/bin/bash
# Subtitle export benchmark: a comment file of 100,000 comments (or COUNT) in
# the message server's shape, made into a subtitle file by
# `kometori-cli subtitles` under Wine RUNS times (default 3) with the default
# options, then RUNS times with the options of repeats, offsets and the cap
# (OPTIONS below), in turn with a run without them. Prints each run's wall and
# CPU time (Wine's start included), comments per second and peak memory, the
# options' cost as the median of each pair's ratio, and checks that every run
# of one kind wrote the same bytes; it fails only when they differ.
#
#   bash bench/subtitles.sh [COUNT [RUNS]]
#
# KOMETORI_BUILD_DIR: build folder (default: build); built when the program is missing.
# KOMETORI_BENCH_DIR: where the generated files go (default: $KOMETORI_BUILD_DIR/bench-data).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${KOMETORI_BUILD_DIR:-$src/build}"
export KOMETORI_BUILD_DIR="$build"
data="${KOMETORI_BENCH_DIR:-$build/bench-data}"
count=${1:-100000}
runs=${2:-3}

source "$src/bench/prepare.sh"
bench_prepare kometori-cli

mkdir -p "$data"
cd "$data"
rm -f Kometori.ini  # the built-in defaults
xml="comments-$count.xml"
[ -f "$xml" ] || python3 "$src/bench/make_comments.py" "$count" "$xml"

TIMEFORMAT='%R %U %S'
printf '%-4s %-10s %9s %9s %13s %9s  %s\n' run comments wall_s cpu_s comments/s peak_MB sha256
first=""
for run in $(seq "$runs"); do
    rm -f "comments-$count.ass"
    { time env KOMETORI_REPORT_PEAK_MEMORY=1 wine "$build/kometori-cli.exe" subtitles "$xml" \
          >subtitles.out 2>subtitles.err </dev/null; } 2>time.out || {
        echo "kometori-cli subtitles failed:" >&2
        cat subtitles.out subtitles.err >&2
        exit 1
    }
    read -r wall user sys <time.out
    peak=$(sed -n 's/^PeakWorkingSetSize = //p' subtitles.err | tr -d '\r')
    sum=$(sha256sum "comments-$count.ass" | cut -c1-16)
    awk -v run="$run" -v n="$count" -v wall="$wall" -v user="$user" -v sys="$sys" -v peak="$peak" -v sum="$sum" \
        'BEGIN { printf "%-4d %-10d %9.2f %9.2f %13.0f %9.1f  %s\n", run, n, wall, user + sys, n / wall,
                 peak / 1048576, sum }'
    if [ -z "$first" ]; then
        first=$sum
    elif [ "$sum" != "$first" ]; then
        echo "run $run wrote other bytes than run 1" >&2
        exit 1
    fi
done
summary=$(tr -d '\r' <subtitles.out | iconv -f CP932 -t UTF-8 | grep '^字幕 ' || true)
echo "every run wrote the same $(stat -c %s "comments-$count.ass") bytes; $summary"

# The options' cost: each round a run without them, then one with them.
options=(--merge-repeats 3 --offset-map "0:00=+1.5,20:00=-2,40:00=+0.5" --max-on-screen 30)
echo "with ${options[*]}:"
printf '%-4s %9s %9s %9s %9s %9s\n' run wall_s cpu_s plain_s x_wall x_cpu
ratios_wall=() ratios_cpu=() first=""
for run in $(seq "$runs"); do
    { time wine "$build/kometori-cli.exe" subtitles -y "$xml" >/dev/null 2>&1 </dev/null; } 2>time.out
    read -r pwall puser psys <time.out
    rm -f options.ass
    { time wine "$build/kometori-cli.exe" subtitles -y "${options[@]}" "$xml" options.ass \
          >subtitles.out 2>subtitles.err </dev/null; } 2>time.out
    read -r wall user sys <time.out
    sum=$(sha256sum options.ass | cut -c1-16)
    [ -z "$first" ] || [ "$sum" = "$first" ] || { echo "run $run wrote other bytes than run 1" >&2; exit 1; }
    first=$sum
    ratios_wall+=("$(awk -v a="$wall" -v b="$pwall" 'BEGIN { print a / b }')")
    ratios_cpu+=("$(awk -v a="$user" -v s="$sys" -v b="$puser" -v t="$psys" 'BEGIN { print (a + s) / (b + t) }')")
    awk -v run="$run" -v w="$wall" -v c="$(awk -v a="$user" -v b="$sys" 'BEGIN { print a + b }')" -v p="$pwall" \
        -v rw="${ratios_wall[-1]}" -v rc="${ratios_cpu[-1]}" \
        'BEGIN { printf "%-4d %9.2f %9.2f %9.2f %9.2f %9.2f\n", run, w, c, p, rw, rc }'
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "the options' cost, median of the pairs: $(median "${ratios_wall[@]}") times the wall time," \
     "$(median "${ratios_cpu[@]}") the CPU time (goal: at most 1.10);" \
     "$(tr -d '\r' <subtitles.out | iconv -f CP932 -t UTF-8 | grep '^字幕 ' || true)"
