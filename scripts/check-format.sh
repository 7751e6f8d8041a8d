#!/usr/bin/env bash
# Fails, naming the files, when any C++ source differs from .clang-format.
# `scripts/check-format.sh --fix` rewrites them in place instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench tools fuzz \( -name '*.cpp' -o -name '*.h' \))
[ ${#files[@]} -eq 0 ] && exit 0
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
unformatted=$(clang-format --dry-run "${files[@]}" 2>&1 | grep -o '^[^:]*\.\(cpp\|h\):' | sort -u | tr -d ':' || true)
if [ -n "$unformatted" ]; then
    echo "These files differ from .clang-format (scripts/check-format.sh --fix rewrites them):" >&2
    echo "$unformatted" >&2
    exit 1
fi
echo "Formatting: every C++ file follows .clang-format"
