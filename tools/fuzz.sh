#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each against its
# committed corpus for a while. The test command runs it briefly; for a longer run:
#   FUZZ_SECONDS=600 tools/netns-run.sh tools/fuzz.sh build/fuzz
# New inputs go to a scratch folder; a crash leaves its input in the build folder and fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$top/build/fuzz}")
seconds=${FUZZ_SECONDS:-20}
CXX=clang++ cmake -S "$top/tests/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$build"
for target in session; do
  mkdir -p "$scratch/$target"
  echo "fuzzing $target for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=0 "./${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/${target}-" "$scratch/$target" "$top/tests/fuzz/corpus/$target" 2>&1 |
    grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|==[0-9]+==ERROR|SUMMARY)" || true
  if ls "$build/${target}-"crash-* "$build/${target}-"leak-* "$build/${target}-"timeout-* >/dev/null 2>&1; then
    echo "fuzz target $target found a failing input in $build" >&2
    exit 1
  fi
done
