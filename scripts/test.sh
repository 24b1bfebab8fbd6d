#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs all tests with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

build=build-ci
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DOSTRIVAN_SANITIZE=ON
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure --timeout 300
