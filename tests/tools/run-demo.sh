#!/bin/bash
# Builds Kometori and runs it under Wine against the stand-in site: the console
# companion fetches sm9 into build/demo/comments, then the window program
# starts (close it to end the demo). Uses $DISPLAY when set, else a virtual one.
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="${KOMETORI_BUILD_DIR:-$src/build}"
export KOMETORI_BUILD_DIR="$build"

bash "$src/tests/tools/install-deps.sh"

cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target Kometori kometori-cli

source "$src/tests/tools/session.sh"
session_start "$src" "$build"
trap session_stop EXIT

python3 "$src/tests/standin/standin.py" --certs "$build/certs" --exec -- bash "$src/tests/tools/demo-inner.sh"
