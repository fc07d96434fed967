#!/bin/bash
# Runs a Windows program under Wine for CTest: Japanese locale (ANSI code page
# 932), quiet Wine, the prefix inside the build tree. Wine's helper processes
# inherit our standard handles, so the program writes into a file that is
# printed afterwards instead of into CTest's pipe.
set -u
exe=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ -z "${KOMETORI_BUILD_DIR:-}" ]; then
    d=$(cd "$(dirname "$exe")" && pwd)
    while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
    KOMETORI_BUILD_DIR=$d
fi
export KOMETORI_BUILD_DIR
source "$here/wine-env.sh"
"$here/setup-prefix.sh"

out=$(mktemp "${TMPDIR:-/tmp}/kometori-wine.XXXXXX")
wine "$exe" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
