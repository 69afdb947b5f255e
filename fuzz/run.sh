#!/bin/bash
# Builds the fuzz targets with clang (AddressSanitizer and UBSan on) and runs
# each for a bounded time, starting from its kept corpus; any crash, leak or
# sanitizer report fails the run and leaves the input in build-fuzz/findings/.
# Usage: fuzz/run.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQMR_FUZZ=ON -DQMR_SANITIZE=address,undefined \
  -DQMR_BUILD_TESTS=OFF -DQMR_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=(hexscan prm answers answers_single sim setup)
ninja -C build-fuzz "${targets[@]/#/fuzz_}"
mkdir -p build-fuzz/findings
for t in "${targets[@]}"; do
  corpus=fuzz/corpus/${t%_single}
  work=build-fuzz/corpus/$t
  mkdir -p "$work" "$corpus"
  echo "== fuzz_$t for ${seconds}s"
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 \
      -artifact_prefix=build-fuzz/findings/$t- -print_final_stats=0 "$work" "$corpus" 2>&1 | tail -n 3
done
