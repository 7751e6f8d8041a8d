#!/usr/bin/env bash
# Builds Quorlin with warnings as errors, checks the formatting and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" -DQUORLIN_WERROR=ON -DQUORLIN_TESTS=ON
# Unformatted code fails the run like a failing test.
"$root/scripts/check-format.sh"
cd "$root/build"
ctest --output-on-failure --timeout 300
# Then the readers under the fuzzer, about a minute (scripts/fuzz.sh <seconds> runs it longer).
"$root/scripts/fuzz.sh" 60
