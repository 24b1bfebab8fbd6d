#!/usr/bin/env bash
# Builds a release build and prints the benchmark table:
#  - start-up to the window mapped, and peak resident memory, for Ostrivan and
#    for a minimal Qt Widgets dialog, measured from outside under Xvfb;
#  - idle cost over 10 s with no exchange running;
#  - the exchanges against vxn-sim paced at 9600 baud, next to their line
#    time, and the reply windows of a silent device;
#  - the pure parts per call.
#  - the port search over eight ports that do everything a bench's
#    adapters do, for the window and for scan;
#  - the report of a 10,000-entry commissioning journal (about 176 MB):
#    time and peak memory against Python's json.loads over the same lines.
#  - start-up against the one-label dialog on three port set-ups: no adapter
#    (COM1 ... COM8 as the system enumerates them), one device opening as
#    COM1, and every OSTRIVAN_COMn set to an absent path.
# Medians of RUNS runs (default 7). STARTUP_ONLY=1 prints the last table only.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-7}

bash scripts/setup.sh xdotool libxcb1-dev pkg-config python3

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOSTRIVAN_SANITIZE=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" \
  --target ostrivan ostrivan-cli minimal_dialog vxn-sim bench_core bench_exchange_timing \
  bench_port_search map_watch >/dev/null

# No serial hardware takes part: every COM name leads nowhere.
map_absent() { for n in 1 2 3 4 5 6 7 8; do export OSTRIVAN_COM$n=/nonexistent/com$n; done; }
unmap() { for n in 1 2 3 4 5 6 7 8; do unset OSTRIVAN_COM$n; done; }
map_absent

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -maxclients 1024 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Starts a program and waits until its window is mapped; sets $pid and
# $measured to "milliseconds peak-kB private-kB". map_watch takes the time
# from the X server's MapNotify, so no polling client competes with the
# program while it starts. Xvfb now and then refuses a connection; such a
# start is tried again.
start_and_wait() {
  local program=$1 title=$2 result attempt
  for attempt in 1 2 3; do
    : >"$build/stderr.log"
    if result=$("$build/bench/map_watch" ${watch_user:+-u "$watch_user"} "$build/stderr.log" \
      "$program" 2>"$build/watch.log"); then
      read -r ms pid peak private <<<"$result"
      measured="$ms $peak $private"
      return
    fi
    if ! grep -q 'could not connect to display' "$build/stderr.log" "$build/watch.log"; then
      break
    fi
    echo "($title: the X server refused a connection; started again)" >&2
  done
  echo "$program ended before its window was shown:" >&2
  cat "$build/stderr.log" >&2
  exit 1
}

# Ends the program start_and_wait started (not a child of this shell) and
# waits until it is gone.
stop_program() {
  kill "$pid" 2>/dev/null || true
  while [ -e "/proc/$pid" ] && [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != Z ]; do
    sleep 0.01
  done
}

startup() {
  local program=$1 title=$2
  : >"$build/startup-$title"
  for _ in $(seq "$runs"); do
    start_and_wait "$program" "$title"
    stop_program
    echo "$measured" >>"$build/startup-$title"
  done
  echo "$(cut -d' ' -f1 "$build/startup-$title" | median) $(cut -d' ' -f2 "$build/startup-$title" | median) $(cut -d' ' -f3 "$build/startup-$title" | median)"
}

# CPU time (ms) and voluntary context switches over 10 s of idling.
idle() {
  local program=$1 title=$2 cpu0 cpu1 sw0 sw1 tick
  start_and_wait "$program" "$title"
  sleep 1
  tick=$(getconf CLK_TCK)
  cpu0=$(awk '{print $14 + $15}' /proc/$pid/stat)
  sw0=$(awk '/^voluntary_ctxt_switches/ {print $2}' /proc/$pid/status)
  sleep 10
  cpu1=$(awk '{print $14 + $15}' /proc/$pid/stat)
  sw1=$(awk '/^voluntary_ctxt_switches/ {print $2}' /proc/$pid/status)
  stop_program
  echo "$(( (cpu1 - cpu0) * 1000 / tick )) $((sw1 - sw0))"
}

# One start-up's milliseconds, appended to the file named by $2.
once() {
  local program=$1 into=$2
  start_and_wait "$program" "$(basename "$program")"
  stop_program
  echo "${measured%% *}" >>"$into"
  # The X server tears the window down after the program has gone.
  sleep 0.2
}

# Start-up on the three port set-ups, each against the one-label dialog
# started alike; the runs of all five take turns, so that a machine that
# grows busier or quieter weighs on each the same. With no adapter, COM1 ...
# COM8 resolve to nothing that opens; root opens the machine's own serial
# ports, so there both programs start as nobody. OSTRIVAN_PROGRAM measures
# another build of Ostrivan (an earlier one, for a before-and-after table).
port_setups() {
  local sim_pid link="$PWD/$build/bench-com1" ostrivan=${OSTRIVAN_PROGRAM:-$build/src/ostrivan}
  local label=$build/bench/minimal_dialog t=$build/setup
  rm -f "$link" "$t".*
  "$build/sim/vxn-sim" --link "$link" >/dev/null 2>&1 </dev/null &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  export MINIMAL_LABEL=1
  for _ in $(seq "$runs"); do
    unmap
    if [ "$(id -u)" = 0 ]; then watch_user=65534; fi
    once "$label" "$t.label-nobody"
    once "$ostrivan" "$t.none"
    watch_user=
    once "$label" "$t.label"
    export OSTRIVAN_COM1=$link
    once "$ostrivan" "$t.device"
    map_absent
    once "$ostrivan" "$t.absent"
  done
  unset MINIMAL_LABEL
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
  echo "| Ports at start-up | Ostrivan | Dialog with one label | Ratio (target ≤ 1.2) |"
  echo "| --- | --- | --- | --- |"
  local row title base
  for row in "none/no adapter: COM1 ... COM8 enumerated/label-nobody" \
    "device/one device, opening as COM1/label" "absent/every OSTRIVAN_COMn an absent path/label"; do
    IFS=/ read -r name title base <<<"$row"
    local ms label_ms
    ms=$(median <"$t.$name")
    label_ms=$(median <"$t.$base")
    echo "| $title | $ms ms | $label_ms ms | $(ratio "$ms" "$label_ms") |"
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

if [ "${STARTUP_ONLY:-}" = 1 ]; then
  port_setups
  exit 0
fi

startup "$build/src/ostrivan" Ostrivan >"$build/result"
read -r app_ms app_kb app_anon <"$build/result"
startup "$build/bench/minimal_dialog" Minimal >"$build/result"
read -r min_ms min_kb min_anon <"$build/result"
MINIMAL_LABEL=1 startup "$build/bench/minimal_dialog" Minimal >"$build/result"
read -r lab_ms lab_kb lab_anon <"$build/result"
idle "$build/src/ostrivan" Ostrivan >"$build/result"
read -r app_cpu app_wake <"$build/result"
idle "$build/bench/minimal_dialog" Minimal >"$build/result"
read -r min_cpu min_wake <"$build/result"

echo
echo "| Measure | Ostrivan | Empty dialog | Ratio (target) | Dialog with one label | Ratio |"
echo "| --- | --- | --- | --- | --- | --- |"
echo "| start-up to window mapped, median of $runs | $app_ms ms | $min_ms ms | $(ratio "$app_ms" "$min_ms") (≤ 1.3) | $lab_ms ms | $(ratio "$app_ms" "$lab_ms") |"
echo "| peak resident memory at that moment | $app_kb kB | $min_kb kB | $(ratio "$app_kb" "$min_kb") (≤ 1.2) | $lab_kb kB | $(ratio "$app_kb" "$lab_kb") |"
echo "| of it private (anonymous) memory | $app_anon kB | $min_anon kB | $(ratio "$app_anon" "$min_anon") | $lab_anon kB | $(ratio "$app_anon" "$lab_anon") |"
echo "| idle 10 s: CPU time | $app_cpu ms | $min_cpu ms | | | |"
echo "| idle 10 s: voluntary context switches | $app_wake | $min_wake | | | |"
echo
"$build/bench/bench_exchange_timing" "$build/sim/vxn-sim"
echo
echo "| Pure part | Cost |"
echo "| --- | --- |"
"$build/bench/bench_core"
echo
"$build/bench/bench_port_search" "$build/sim/vxn-sim" "$build/src/ostrivan-cli"
echo
python3 bench/report_bench.py "$build/src/ostrivan-cli" 10000 "$runs"
echo
port_setups
