#!/usr/bin/env bash
# Installs what is missing and builds the project.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
echo "Built in $build/."
