#!/bin/bash
# Fails when a C++ file of the repository differs from what clang-format makes
# of it by the repository's .clang-format: every file is checked, so a changed
# file is too. Needs clang-format 14 (Debian's clang-format package).
set -eu
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$src"
tool=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$tool" ] || { echo "clang-format not found (Debian package clang-format)" >&2; exit 1; }
if git rev-parse --git-dir >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
else
    mapfile -t files < <(find src tests bench -name '*.cpp' -o -name '*.h')
fi
bad=0
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    if ! "$tool" --dry-run --Werror "$f" >/dev/null 2>&1; then
        echo "not formatted: $f (clang-format -i $f)"
        bad=1
    fi
done
[ "$bad" = 0 ] && echo "${#files[@]} files formatted"
exit "$bad"
