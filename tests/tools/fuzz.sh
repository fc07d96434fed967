#!/bin/bash
# Builds each libFuzzer target of tests/fuzz natively with clang (address and
# undefined-behaviour sanitizers) and runs it for a bounded time
# (KOMETORI_FUZZ_SECONDS, default 10). A target names the portable sources it
# needs on a line "// fuzz-sources: src/a.cpp src/b.cpp". The corpus of each
# target is kept in the build folder for the next run.
set -eu
: "${KOMETORI_BUILD_DIR:?}"
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="$KOMETORI_BUILD_DIR/fuzz"
seconds="${KOMETORI_FUZZ_SECONDS:-10}"
mkdir -p "$out"
for target in "$src"/tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$target" .cpp)
    sources=$(sed -n 's|^// fuzz-sources: *||p' "$target")
    # shellcheck disable=SC2086
    clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$src/src" "$target" $(for s in $sources; do echo "$src/$s"; done) -o "$out/$name"
    mkdir -p "$out/$name.corpus"
    "$out/$name" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=512 "$out/$name.corpus" \
        >"$out/$name.log" 2>&1 || { tail -40 "$out/$name.log"; echo "fuzz: $name failed" >&2; exit 1; }
    echo "$name: $(grep -c . "$out/$name.log") log lines, $(ls "$out/$name.corpus" | wc -l) inputs in the corpus, no failure"
done
