#!/bin/bash
# The fuzz targets of the comment reader and of the merge, built natively with
# clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# $KOMETORI_BUILD_DIR/fuzz: each replays its seed corpus and then fuzzes for a
# bounded time. A crash, a sanitizer report or a broken property fails the
# run; the input that did it is left in $KOMETORI_BUILD_DIR/fuzz/artifacts.
#
#   KOMETORI_FUZZ_SECONDS   seconds of fuzzing per target (default 30)
#   KOMETORI_FUZZ_TARGETS   which targets (default "reader merge")
#
# The reader's window and pieces are made tiny here, so that short inputs
# reach every place where a construct or a character is cut between two.
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="${KOMETORI_BUILD_DIR:-$src/build}"
out="$build/fuzz"
seconds="${KOMETORI_FUZZ_SECONDS:-30}"
targets="${KOMETORI_FUZZ_TARGETS:-reader merge}"
cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
    echo "clang++ not found (Debian packages clang and libclang-rt-14-dev)" >&2
    exit 1
fi
mkdir -p "$out/artifacts"

cd "$src"
portable="src/export/comment_reader.cpp src/export/utf8_source.cpp src/export/text_decoders.cpp
src/export/xml_chars.cpp src/export/merge_stream.cpp tests/fuzz/platform_posix.cpp"
inputs="$portable $(ls src/export/*.h src/support/byte_scan.h tests/fuzz/*.h) $0"
for target in $targets; do
    binary="$out/${target}_fuzz"
    stale=""
    for f in $inputs "tests/fuzz/${target}_fuzz.cpp"; do
        [ "$f" -nt "$binary" ] && stale=1
    done
    if [ -n "$stale" ] || [ ! -x "$binary" ]; then
        echo "building $binary"
        # shellcheck disable=SC2086
        "$cxx" -std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
            -fno-sanitize-recover=undefined -DKOMETORI_READER_WINDOW=64 -DKOMETORI_READER_PIECE=61 \
            -Isrc -Itests/fuzz $portable "tests/fuzz/${target}_fuzz.cpp" -o "$binary"
    fi
done

# The reader target's scratch files.
export TMPDIR="$out/tmp"
mkdir -p "$TMPDIR"
trap 'rm -f "$TMPDIR"/kometori-reader-fuzz-*' EXIT
for target in $targets; do
    # New inputs go to the build's corpus and are kept for the next run.
    mkdir -p "$out/corpus-$target"
    echo "fuzzing $target for $seconds s"
    log="$out/$target.log"
    status=0
    "$out/${target}_fuzz" -dict=tests/fuzz/xml.dict -max_len=8192 -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=1024 -malloc_limit_mb=64 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$target-" "$out/corpus-$target" "tests/fuzz/corpus/$target" \
        >"$log" 2>&1 || status=$?
    grep -E "INITED|DONE|number_of_executed_units" "$log" || true
    if [ "$status" != 0 ]; then
        tail -n 80 "$log" >&2
        echo "fuzz target $target failed (status $status); the input is in $out/artifacts" >&2
        exit 1
    fi
done
