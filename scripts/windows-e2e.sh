#!/usr/bin/env bash
# The Windows programs end to end under Wine against the simulated
# transducer: vxn-sim on a pseudo-terminal mapped into the Wine prefix as a
# COM port, ostrivan-cli.exe identifying, reading, writing and commissioning
# through it, once more as COM23 found by scan, and ostrivan.exe reading and
# writing it on a virtual X server. Called by scripts/windows.sh with
# WINEPREFIX, WINEPATH and the Wine settings in the environment.
#
#   bash scripts/without-serial-devices.sh \
#     bash scripts/windows-e2e.sh BUILD SIM [SCREENSHOT.png]
#
# The window is photographed after its Read, by default into
# BUILD/window-under-wine.png.
#
# It runs under scripts/without-serial-devices.sh (scripts/windows.sh sees
# to it), so that no search here can touch a port of the machine.
set -euo pipefail
build=$(realpath "$1")
sim=$(realpath "$2")
screenshot=${3:-$build/window-under-wine.png}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
failures=0
check() {
  local what=$1
  shift
  if "$@" 2>"$work/check-err.txt"; then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    cat "$work/check-err.txt" >&2
    failures=$((failures + 1))
  fi
}

# A simulator on a link in the work folder; extra arguments are its own.
start_sim() {
  local link=$1
  shift
  sleep 0 | "$sim" --model 401 --no-pacing --link "$work/$link" "$@" 2>>"$work/$link.log" >/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$work/$link" ] && return 0; sleep 0.05; done
  echo "windows-e2e: the simulator did not start" >&2
  cat "$work/$link.log" >&2
  exit 1
}
# Wine maps HKLM\Software\Wine\Ports each time its server starts.
map_ports() {
  "$wine" reg delete 'HKLM\Software\Wine\Ports' /f >/dev/null 2>&1 || true
  local pair
  for pair in "$@"; do
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null
  done
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  # Links of an earlier mapping stay unless removed; the next Wine program
  # makes the new ones.
  rm -f "$WINEPREFIX"/dosdevices/com*
}
cli() {
  "$wine" "$build/src/ostrivan-cli.exe" "$@"
}
# How many requests a simulator's log shows, of one function if given
# ("0065": writes).
requests() {
  grep -c " <- :${2:-}" "$work/$1.log" || true
}
# Whether the log shows more requests than before.
more_requests() {
  [ "$(requests "$1" "${3:-}")" -gt "$2" ]
}
# Every COM port Wine made leads to a simulator of this run.
no_host_port() {
  local link
  for link in "$WINEPREFIX"/dosdevices/com*; do
    [ -L "$link" ] || continue
    case $(readlink "$link") in
      "$work"/*) ;;
      *) echo "$link leads to $(readlink "$link")" >&2; return 1 ;;
    esac
  done
}

start_sim vxn1
start_sim vanishing --fault vanish-mid-reply
start_sim silent --fault silent
map_ports "COM1=$work/vxn1" "COM3=$work/vanishing" "COM4=$work/silent"
check "no host port among the COM ports" no_host_port

check "identify on COM1" bash -c 'out=$('"$wine"' '"$build"'/src/ostrivan-cli.exe --port COM1 identify) && [[ $out == *401* ]]'
check "read --json" bash -c "'$wine' '$build/src/ostrivan-cli.exe' --port COM1 read --json > read.json"
check "the JSON is UTF-8 and whole" python3 -c '
import json
d = json.load(open("read.json", encoding="utf-8"))
assert d["deviceId"] == 401 and len(d["registers"]) > 0, d'
# A name outside any ANSI code page reaches the file system as typed.
check "read -o a name outside the code page" cli --port COM1 read -o 'Ω-настройка.dat'
check "the file is there under its name" test -s 'Ω-настройка.dat'
check "show prints it" bash -c "'$wine' '$build/src/ostrivan-cli.exe' show 'Ω-настройка.dat' | grep -q 401"
check "write verifies the echo" cli --port COM1 write 'Ω-настройка.dat'
check "commission" cli --port COM1 commission 'Ω-настройка.dat' --address 7 --journal batch.jsonl --keep kept
check "the journal says commissioned, by whom" python3 -c '
import json
entry = json.loads(open("batch.jsonl", encoding="utf-8").readline())
assert entry["result"] == "commissioned" and entry["user"], entry'
check "the kept files" bash -c 'ls kept/*-as-found.dat kept/*-as-left.dat >/dev/null'

# What goes wrong says so, with the CLI's exit codes.
expect_exit() {
  local code=$1 text=$2
  shift 2
  local status=0
  cli "$@" >/dev/null 2>"$work/err.txt" || status=$?
  if [ "$status" -ne "$code" ] || ! grep -q "$text" "$work/err.txt"; then
    echo "exit $status:" >&2
    cat "$work/err.txt" >&2
    return 1
  fi
}
check "a port that does not exist: exit 3" expect_exit 3 "COM9" --port COM9 identify
check "a line pulled mid-reply: exit 4, and the port named" expect_exit 4 "пропал во время обмена" --port COM3 read
# Wine turns SIGINT into the console's Ctrl+C.
interrupted() {
  local pid status=0 before
  before=$(requests silent)
  "$wine" "$build/src/ostrivan-cli.exe" --port COM4 identify >/dev/null 2>&1 &
  pid=$!
  # Once the request is on the line, the tool waits for its reply.
  for _ in $(seq 100); do
    more_requests silent "$before" && break
    sleep 0.05
  done
  kill -INT "$pid"
  wait "$pid" || status=$?
  [ "$status" -eq 130 ] || { echo "exit $status" >&2; return 1; }
}
check "Ctrl+C while a reply is awaited: exit 130" interrupted

# A USB adapter's number: the scan finds it beyond COM8.
map_ports "COM23=$work/vxn1"
check "no host port among the COM ports" no_host_port
check "scan finds COM23" bash -c "'$wine' '$build/src/ostrivan-cli.exe' scan --json > scan.json"
check "only COM23 answered" python3 -c '
import json
ports = json.load(open("scan.json", encoding="utf-8"))
answered = [p["port"] for p in ports if p["status"] == "answered"]
assert answered == ["COM23"], ports'
check "read on COM23" cli --port COM23 read

# The window under Wine on a virtual X server reads the transducer.
map_ports "COM1=$work/vxn1"
display=:$((200 + RANDOM % 50))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
reads_before=$(requests vxn1)
# The first visible window of that name, waited for up to 30 s.
shown_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}
# A button of the window's bottom row, by its middle across in dialog units:
# the row lies 33 of the window's 306 units up from the bottom, and the
# window is 412 units wide, whatever the font makes of a unit.
click_button() {
  xdotool mousemove $((X + WIDTH * $1 / 412)) $((Y + HEIGHT - HEIGHT * 33 / 306)) click 1
}
# Wine's own font engine leaves the line edits' text undrawn; FreeType,
# which Qt for Windows carries, draws every control.
"$wine" "$build/src/ostrivan.exe" -platform windows:fontengine=freetype >/dev/null 2>"$work/app.log" &
pids+=($!)
window=$(shown_window '^Ostrivan$')
check "the window is shown" test -n "$window"
if [ -n "$window" ]; then
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$window")"
  click_button 285 # Чтение
  sleep 3
  check "the window's Read reached the transducer" more_requests vxn1 "$reads_before"
  xdotool mousemove 1020 760
  sleep 0.5
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
  echo "screenshot: $screenshot"
  # The configuration read goes back whole.
  writes_before=$(requests vxn1 0065)
  click_button 375 # Запись
  sleep 3
  check "the window's Write reached the transducer" more_requests vxn1 "$writes_before" 0065
  # The About box from the window menu: Alt+Space, then its last entry
  # (Wine's own "About Wine" above it takes the mnemonic).
  xdotool windowfocus "$window" key alt+space
  sleep 0.5
  xdotool key Up Return
  about=$(shown_window '^About Ostrivan$')
  check "the window menu's About opens the About box" test -n "$about"
fi

if [ "$failures" -gt 0 ]; then
  echo "windows-e2e: $failures checks failed" >&2
  exit 1
fi
echo "windows-e2e: all checks passed"
