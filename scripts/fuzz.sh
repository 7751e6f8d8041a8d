#!/usr/bin/env bash
# Builds the page and feed readers' fuzz target with clang in build-fuzz/ and runs it for the
# given number of seconds (60 unless told): scripts/fuzz.sh 600 runs it for ten minutes.
# The corpus it grows stays in build-fuzz/fuzz/corpus for the next run; an input that breaks a
# reader is written to build-fuzz/fuzz/ as crash-<hash> and the run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUORLIN_FUZZ=ON -DQUORLIN_BENCH=OFF -DQUORLIN_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target quorlin_fuzz_readers quorlin_fuzz_seeds
seeds="$build/fuzz/seeds"
corpus="$build/fuzz/corpus"
rm -rf "$seeds"
mkdir -p "$corpus"
"$build/fuzz/quorlin_fuzz_seeds" "$seeds"
cd "$build/fuzz"
./quorlin_fuzz_readers -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" "$seeds"
