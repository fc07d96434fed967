#!/bin/bash
# Builds one libFuzzer target of window-free code natively with clang (address
# and undefined-behaviour sanitizers) and runs it for a bounded time: first
# its seeds, then new inputs. New inputs are kept in the build folder, so each
# run goes on from the last; a failing input is saved there as NAME-crash-*.
#
#   fuzz.sh NAME SECONDS [--seeds DIR] [--dict FILE] [--cflag FLAG]...
#           [--option LIBFUZZER_OPTION]... SOURCE...
# Paths are relative to the repository.
set -eu
name=$1 seconds=${KOMETORI_FUZZ_SECONDS:-$2}  # the environment may fuzz longer
shift 2
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="${KOMETORI_BUILD_DIR:?}/fuzz"
seeds=() cflags=() options=() sources=()
while [ $# -gt 0 ]; do
    case $1 in
        --seeds) seeds+=("$src/$2"); shift 2 ;;
        --dict) options+=("-dict=$src/$2"); shift 2 ;;
        --cflag) cflags+=("$2"); shift 2 ;;
        --option) options+=("$2"); shift 2 ;;
        *) sources+=("$src/$1"); shift ;;
    esac
done
cxx=$(command -v clang++-14 || command -v clang++ || true)
[ -n "$cxx" ] || { echo "clang++ not found (Debian packages clang and libclang-rt-14-dev)" >&2; exit 1; }
mkdir -p "$out/$name-corpus" "$out/$name-tmp"
"$cxx" -std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I "$src/src" -I "$src/tests/fuzz" "${cflags[@]}" "${sources[@]}" -o "$out/$name"
# Scratch files of targets that need a file on disk.
export TMPDIR="$out/$name-tmp"
cd "$out"
status=0
"./$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 "${options[@]}" \
    -artifact_prefix="$out/$name-" "$out/$name-corpus" "${seeds[@]}" >"$out/$name.log" 2>&1 || status=$?
rm -f "$TMPDIR"/*
grep -E "INITED|DONE|number_of_executed_units" "$out/$name.log" || true
if [ "$status" != 0 ]; then
    tail -n 80 "$out/$name.log" >&2
    echo "fuzz target $name failed (status $status); the input is in $out/$name-crash-* or the log" >&2
    exit 1
fi
