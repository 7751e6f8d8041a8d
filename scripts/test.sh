#!/usr/bin/env bash
# Builds Quorlin with warnings as errors, checks the formatting, fuzzes the readers for a minute
# and runs every test; ctest's summary closes the output.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The tests, and the benchmarks so that they keep building (they are run by hand), are off in a
# plain build.
"$root/scripts/build.sh" -DQUORLIN_WERROR=ON -DQUORLIN_TESTS=ON -DQUORLIN_BENCH=ON
# Unformatted code fails the run like a failing test.
"$root/scripts/check-format.sh"
# The readers under the fuzzer, about a minute (scripts/fuzz.sh <seconds> runs it longer).
"$root/scripts/fuzz.sh" 60
cd "$root/build"
ctest --output-on-failure --timeout 300
