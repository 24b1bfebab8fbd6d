#!/usr/bin/env bash
# The fault soak: the program's read and write cycles against vxn-sim, with
# the simulator's faults switched at random, every exchange checked.
#
#   bash scripts/soak.sh [EXCHANGES [SEED]]         AddressSanitizer and
#                                                   LeakSanitizer build
#                                                   (default 1000 exchanges)
#   bash scripts/soak.sh --valgrind [EXCHANGES [SEED]]   plain build under
#                                                   valgrind memcheck
#                                                   (default 40 exchanges)
#
# Prints the driver's figures; exits non-zero on any failed check, crash,
# sanitizer report or memcheck error.
set -euo pipefail
cd "$(dirname "$0")/.."

valgrind=no
if [ "${1:-}" = "--valgrind" ]; then
  valgrind=yes
  shift
fi
exchanges=${1:-}
seed=${2:-}

if [ $valgrind = yes ]; then
  bash scripts/setup.sh valgrind
  build=build-valgrind
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRIVAN_SANITIZE=OFF
  exchanges=${exchanges:-40}
else
  bash scripts/setup.sh
  build=build-ci
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DOSTRIVAN_SANITIZE=ON
  exchanges=${exchanges:-1000}
fi
cmake --build "$build" -j"$(nproc)" --target soak_driver vxn-sim

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
args=(--sim "$build/sim/vxn-sim" --exchanges "$exchanges")
[ -n "$seed" ] && args+=(--seed "$seed")

status=0
if [ $valgrind = yes ]; then
  valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite \
    --suppressions="$PWD/scripts/valgrind.supp" \
    --error-exitcode=99 --log-file="$build/valgrind.log" \
    "$build/soak/soak_driver" "${args[@]}" || status=$?
  grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost' "$build/valgrind.log" || true
else
  "$build/soak/soak_driver" "${args[@]}" || status=$?
fi
if [ $status -gt 128 ]; then
  echo "soak: the driver crashed (signal $((status - 128)))"
fi
exit $status
