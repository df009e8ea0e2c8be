#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under the address and
# undefined-behaviour sanitizers and runs each for a fixed time. Every target
# runs; the script fails at the end if any of them found a fault.
#   scripts/run-fuzz.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCW_FUZZ=ON -DCW_BUILD_TESTS=OFF \
  -DCW_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug >/dev/null
targets=()
for source in tests/fuzz/fuzz_*.cpp; do
  name=${source##*/fuzz_}
  targets+=("cw_fuzz_${name%.cpp}")
done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
# Libraries that keep caches for the life of the process (fontconfig) are
# not leaks of ours.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
failed=()
for target in "${targets[@]}"; do
  name=${target#cw_fuzz_}
  corpus="$build/corpus/$name"
  mkdir -p "$corpus" "$build/artifacts"
  seeds="tests/fuzz/corpus/$name"
  echo "fuzz: $name for ${seconds}s"
  if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 \
      "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) > "$build/$name.log" 2>&1; then
    failed+=("$name")
    grep -A30 "ERROR:" "$build/$name.log" | head -40 || tail -40 "$build/$name.log"
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/$name.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: faults found in: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran clean"
