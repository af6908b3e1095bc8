#!/usr/bin/env bash
# Builds everything and runs every test, headless.
#   ./test.sh                 release build in build/
#   SANITIZE=1 ./test.sh      address and undefined-behaviour sanitizers in build-asan/
set -euo pipefail
cd "$(dirname "$0")"
# A fresh machine has neither Qt nor CMake: install what the build and the tests need first.
.ci/install-packages
build=build
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON)
if [ "${SANITIZE:-0}" = 1 ]; then
  build=build-asan
  args=(-DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=address,undefined -DVX_WERROR=ON)
fi
jobs=$(nproc)
cmake -S . -B "$build" -G Ninja "${args[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300
