#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with COM1 attached
# to a simulated transducer of model 401. The simulator stops when the
# program ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# Only what runs here: the program and the simulator. The tests build in
# the test command.
build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRIVAN_SANITIZE=OFF \
  -DBUILD_TESTING=OFF
cmake --build "$build" -j"$(nproc)" --target ostrivan vxn-sim
# --build-only: the build alone, for CI.
if [ "${1:-}" = --build-only ]; then
  exit 0
fi

workdir=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$workdir"
}
trap cleanup EXIT

mkfifo "$workdir/out"
"$build/sim/vxn-sim" --model 401 >"$workdir/out" 2>"$workdir/line.log" &
sim_pid=$!
# The simulator's first line names its pseudo-terminal; the pipe stays open
# so that it can go on writing.
exec 3<"$workdir/out"
read -r device <&3
export OSTRIVAN_COM1="$device"
echo "Simulated transducer (model 401) on $device as COM1; its line log: $workdir/line.log"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the program runs on a virtual X server (xvfb-run)."
  xvfb-run -a -s '-screen 0 1280x1024x24' "$build/src/ostrivan"
else
  "$build/src/ostrivan"
fi
