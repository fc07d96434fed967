#!/bin/bash
# Configure, build and test from a clean clone: the README's test command.
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="${KOMETORI_BUILD_DIR:-$src/build}"
export KOMETORI_BUILD_DIR="$build"

cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"

source "$src/tests/tools/session.sh"
session_start "$src" "$build"
trap session_stop EXIT

set +e
ctest --test-dir "$build" --output-on-failure -j"${KOMETORI_TEST_JOBS:-2}" "$@"
rc=$?
exit $rc
