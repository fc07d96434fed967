#!/bin/bash
# A libFuzzer target of the window-free code, built natively with clang and
# the address and undefined-behaviour sanitizers, run for a bounded time. The
# corpus it grows is kept in the build folder, so each run starts where the
# last one ended; a failing input is saved there as crash-*.
#
#   fuzz.sh NAME SECONDS SOURCE...   (sources relative to the repository)
set -eu
name=$1 seconds=$2
shift 2
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="${KOMETORI_BUILD_DIR:?}/fuzz"
mkdir -p "$out/$name-corpus"
sources=()
for f in "$@"; do sources+=("$src/$f"); done
clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        -I "$src/src" "${sources[@]}" -o "$out/$name"
cd "$out"
exec "./$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$out/$name-" \
     "$out/$name-corpus"
