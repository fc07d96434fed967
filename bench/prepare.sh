# Sourced by the benchmarks, with $src and $build set: builds the targets
# named when one of their programs is missing, then readies Wine.
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
