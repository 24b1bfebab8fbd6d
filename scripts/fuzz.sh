#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (default 60 s; give another number of seconds as the first argument).
# Stops at the first crash, leak or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

bash scripts/setup.sh clang libclang-rt-14-dev

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRIVAN_FUZZ=ON -DBUILD_TESTING=OFF
cmake --build "$build" -j"$(nproc)" --target fuzz_config_file fuzz_parse_reply

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in config_file parse_reply; do
  seeds=fuzz/seeds/${target%%_*}
  [ "$target" = parse_reply ] && seeds=fuzz/seeds/reply
  corpus="$build/corpus-$target"
  mkdir -p "$corpus"
  echo "== fuzz_$target for $seconds s"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/" \
    -max_len=4096 "$corpus" "$seeds" 2>&1 | tee "$build/fuzz_$target.log" |
    grep -E '^#[0-9]+[[:space:]]+DONE|stat::|ERROR|SUMMARY' || true
  if grep -qE 'ERROR: |SUMMARY: ' "$build/fuzz_$target.log"; then
    echo "fuzz_$target found a fault; see $build/fuzz_$target.log"
    exit 1
  fi
done
