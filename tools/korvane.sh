#!/usr/bin/env bash
# The two set-up commands of the README:
#   tools/korvane.sh play   installs what is missing, builds, starts the game
#   tools/korvane.sh test   installs what is missing, builds, runs every test
# BUILD_DIR overrides the build folder (default: build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:-play}
build=${BUILD_DIR:-$top/build}

bash "$top/tools/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

case "$cmd" in
  play)
    cd "$build/run"
    exec ./korvane
    ;;
  test)
    cd "$build"
    ctest --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac
