#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each against its
# committed corpus for FUZZ_SECONDS (30) each:
#   tools/fuzz.sh [--build-only | --run-only] [BUILD_DIR [TARGET...]]
# The test command builds once, then runs every target as a test of its own so that two run
# side by side. A longer run of all: FUZZ_SECONDS=600 tools/fuzz.sh build/fuzz
# Only the session target opens sockets; it runs in a private network namespace of its own
# (tools/netns-run.sh) unless the whole script already does. Exits 77 (a skip) when that
# namespace cannot be made and nothing failed.
# New inputs go to a scratch folder; a failing input is left in the build folder and fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mode=all
case "${1:-}" in
--build-only | --run-only) mode=${1#--}; shift ;;
esac
build=$(realpath -m "${1:-$top/build/fuzz}")
[ $# -gt 0 ] && shift
seconds=${FUZZ_SECONDS:-30}
if [ "$mode" != run-only ]; then
  CXX=clang++ cmake -S "$top/tests/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)" >/dev/null
fi
[ "$mode" = build-only ] && exit 0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$build"
targets=(session fen pgn config version)
[ $# -gt 0 ] && targets=("$@")
failed=0
skipped=0
for target in "${targets[@]}"; do
  if [ ! -x "./${target}_fuzz" ]; then
    echo "no fuzz target $target in $build" >&2
    failed=1
    continue
  fi
  mkdir -p "$scratch/$target"
  runner=()
  if [ "$target" = session ] && [ "${KORVANE_IN_NETNS:-}" != 1 ]; then
    runner=("$top/tools/netns-run.sh")
  fi
  echo "fuzzing $target for ${seconds}s"
  # libFuzzer's own failure code is 77, which would read as a skip.
  rc=0
  ASAN_OPTIONS=detect_leaks=0 "${runner[@]}" "./${target}_fuzz" -max_total_time="$seconds" \
    -print_final_stats=1 -error_exitcode=1 -timeout_exitcode=1 \
    -artifact_prefix="$build/${target}-" "$scratch/$target" "$top/tests/fuzz/corpus/$target" \
    >"$scratch/$target.log" 2>&1 || rc=$?
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec)" "$scratch/$target.log" || true
  if [ "$rc" = 77 ] && [ ${#runner[@]} -gt 0 ]; then
    tail -n 1 "$scratch/$target.log"
    skipped=1
  elif [ "$rc" != 0 ]; then
    tail -n 60 "$scratch/$target.log"
    echo "fuzz target $target found a failing input in $build" >&2
    failed=1
  fi
done
[ "$failed" = 0 ] || exit 1
[ "$skipped" = 0 ] || exit 77
