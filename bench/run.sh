#!/usr/bin/env bash
# Builds a release build and prints the benchmark table:
#  - start-up to the window mapped, and peak resident memory, for Ostrivan and
#    for a minimal Qt Widgets dialog, measured from outside under Xvfb;
#  - idle cost over 10 s with no exchange running;
#  - the exchanges against vxn-sim paced at 9600 baud, next to their line
#    time, and the reply windows of a silent device;
#  - the pure parts per call.
#  - start-up against the one-label dialog on three port set-ups: no adapter
#    (COM1 ... COM8 as the system enumerates them), one device opening as
#    COM1, and every OSTRIVAN_COMn set to an absent path.
# Medians of RUNS runs (default 7). STARTUP_ONLY=1 prints the last table only.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-7}

bash scripts/setup.sh xdotool

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOSTRIVAN_SANITIZE=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" \
  --target ostrivan minimal_dialog vxn-sim bench_core bench_exchange_timing >/dev/null

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
# $measured to "milliseconds peak-kB private-kB". Xvfb now and then refuses
# a connection while xdotool polls it; such a start is tried again.
start_and_wait() {
  local program=$1 title=$2 t0 t1 attempt
  for attempt in 1 2 3; do
    : >"$build/stderr.log"
    t0=$(date +%s%N)
    "$program" >/dev/null 2>"$build/stderr.log" &
    pid=$!
    # xdotool can hang on a window that goes away while it looks; it gets a
    # second at a time.
    until timeout 1 xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.005
    done
    t1=$(date +%s%N)
    if kill -0 "$pid" 2>/dev/null; then
      measured="$(( (t1 - t0) / 1000000 )) $(awk '/VmHWM/ {print $2}' /proc/$pid/status) $(awk '/RssAnon/ {print $2}' /proc/$pid/status)"
      return
    fi
    wait "$pid" 2>/dev/null || true
    if ! grep -q 'could not connect to display' "$build/stderr.log"; then
      break
    fi
    echo "($title: the X server refused a connection; started again)" >&2
  done
  echo "$program ended before its window was shown:" >&2
  cat "$build/stderr.log" >&2
  exit 1
}

startup() {
  local program=$1 title=$2
  : >"$build/startup-$title"
  for _ in $(seq "$runs"); do
    start_and_wait "$program" "$title"
    kill "$pid"; wait "$pid" 2>/dev/null || true
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
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$(( (cpu1 - cpu0) * 1000 / tick )) $((sw1 - sw0))"
}

# Start-up on the three port set-ups, each against the one-label dialog.
port_setups() {
  local sim_pid link="$build/bench-com1"
  echo "| Ports at start-up | Ostrivan | Dialog with one label | Ratio (target ≤ 1.15) |"
  echo "| --- | --- | --- | --- |"
  MINIMAL_LABEL=1 startup "$build/bench/minimal_dialog" Minimal >"$build/result"
  read -r label_ms _ <"$build/result"
  unmap
  startup "$build/src/ostrivan" Ostrivan >"$build/result"
  read -r ms _ <"$build/result"
  echo "| no adapter: COM1 ... COM8 enumerated | $ms ms | $label_ms ms | $(ratio "$ms" "$label_ms") |"
  rm -f "$link"
  "$build/sim/vxn-sim" --link "$link" >/dev/null 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  export OSTRIVAN_COM1=$link
  startup "$build/src/ostrivan" Ostrivan >"$build/result"
  read -r ms _ <"$build/result"
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
  echo "| one device, opening as COM1 | $ms ms | $label_ms ms | $(ratio "$ms" "$label_ms") |"
  map_absent
  startup "$build/src/ostrivan" Ostrivan >"$build/result"
  read -r ms _ <"$build/result"
  echo "| every OSTRIVAN_COMn an absent path | $ms ms | $label_ms ms | $(ratio "$ms" "$label_ms") |"
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
port_setups
