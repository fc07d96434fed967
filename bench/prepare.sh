# Sourced by the benchmarks, with $src set: bench_settings reads the folders
# and the runs from the environment and the counts from the arguments,
# bench_prepare builds the targets named when one of their programs is
# missing, then readies Wine.

# bench_settings "DEFAULT COUNTS" "$@"
bench_settings() {
    build="${KOMETORI_BUILD_DIR:-$src/build}"
    export KOMETORI_BUILD_DIR="$build"
    data="${KOMETORI_BENCH_DIR:-$build/bench-data}"
    runs="${KOMETORI_BENCH_RUNS:-3}"
    local defaults=$1
    shift
    counts=("$@")
    [ ${#counts[@]} -gt 0 ] || read -ra counts <<<"$defaults"
}

bench_prepare() {
    local target missing=""
    for target in "$@"; do
        [ -f "$build/$target.exe" ] || missing=yes
    done
    if [ -n "$missing" ]; then
        cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
              -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$build" -j"$(nproc)" --target "$@"
    fi
    source "$src/tests/tools/wine-env.sh"
    "$src/tests/tools/setup-prefix.sh"
    # A server that outlives each run, so every run does not pay for Wine's start.
    wineserver -p 10 >/dev/null 2>&1 </dev/null || true
    wine "$build/kometori-cli.exe" --help >/dev/null 2>&1 </dev/null || true
}

# One run of a command, output into run.out and run.err of the current folder:
# sets wall and cpu (seconds). A command that fails stops the benchmark.
measure() {
    local user sys
    /usr/bin/time -f '%e %U %S' -o time.out "$@" >run.out 2>run.err </dev/null || {
        echo "failed: $*" >&2
        cat run.out run.err >&2
        exit 1
    }
    read -r wall user sys <time.out
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
}

# The fastest of $runs runs of a command (default 3), output into run.out and
# run.err of the current folder: prints "wall cpu" (seconds).
fastest() {
    local best="" wall cpu
    for _ in $(seq "${runs:-3}"); do
        measure "$@"
        best=$(awk -v b="$best" -v w="$wall" -v c="$cpu" \
               'BEGIN { if (b == "") { print w, c } else { split(b, o, " "); print (w < o[1] ? w : o[1]), (c < o[2] ? c : o[2]) } }')
    done
    echo "$best"
}

# The peak working set the last run reported on standard error
# (KOMETORI_REPORT_PEAK_MEMORY), in bytes.
reported_peak() {
    sed -n 's/^PeakWorkingSetSize = //p' run.err | tr -d '\r'
}

# The median of the numbers given; a ratio; bytes as MB.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { print a / (b > 0.001 ? b : 0.001) }'; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
