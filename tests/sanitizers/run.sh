#!/usr/bin/env bash
# Builds the in-process tests with clang under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer in a tree of their own and runs them there; the test command runs
# this as the test "sanitizers". By hand:  tests/sanitizers/run.sh build/asan
# Leaks that come from the libraries we use are suppressed in lsan.supp, each with its reason;
# any report from our own code fails the test.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=$(realpath -m "${1:-$top/build/asan}")

# The options hold for the build too: it runs test programs to list their tests.
export ASAN_OPTIONS="detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1"

# -O1 keeps the instrumented programs quick without optimising faults away; assertions stay on.
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DKORVANE_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" >/dev/null
# The build yields the processors to the tests that run beside it and time real frames.
nice -n 10 cmake --build "$build" --target korvane_sanitized_tests -j "$(nproc)" >/dev/null

cd "$build"
status=0
# The fuzz runs have a build of their own (tools/fuzz.sh), already sanitized.
fuzz='^(fuzz_build|.*_fuzz)$'
engine='^(scene_render|perf_pick_confirm)$'
ctest --output-on-failure -j "$(nproc)" -E "$fuzz|$engine" || status=1
# The engine's image codec allocates with malloc what the engine frees with delete[]; clang 14
# cannot suppress that check by place, so these tests alone run without it. The unloaded
# modules stay mapped (keep_modules.c).
ASAN_OPTIONS="$ASAN_OPTIONS:alloc_dealloc_mismatch=0" \
  LD_PRELOAD="$build/tests/sanitizers/libkorvane_keep_modules.so" \
  ctest --output-on-failure -j "$(nproc)" -R "$engine" || status=1
exit $status
