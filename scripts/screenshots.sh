#!/usr/bin/env bash
# Takes the window's screenshots under Xvfb against the simulated transducer,
# into the folder given (default shots/): empty.png, read.png, written.png,
# properties.png and log.png, the last with its time column blacked out.
# Two runs of the same build give the same pixels, so two builds can be
# compared with: compare -metric AE a.png b.png null:
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-shots}")
build=${BUILD:-build-ci}
bash scripts/setup.sh xvfb xdotool imagemagick
mkdir -p "$out"
work=$(mktemp -d)
display=:$((150 + RANDOM % 50))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 0 | timeout 120 "$build/sim/vxn-sim" --model 401 --no-pacing --link "$work/com1" \
  >/dev/null 2>&1 &
sim=$!
trap 'kill $xvfb $sim 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display OSTRIVAN_COM1=$work/com1
for n in 2 3 4 5 6 7 8; do export OSTRIVAN_COM$n=/nonexistent/com$n; done
for _ in $(seq 50); do [ -e "$work/com1" ] && xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$build/src/ostrivan" >/dev/null 2>"$work/app.log" &
app=$!
trap 'kill $app $xvfb $sim 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Ostrivan$' >/dev/null 2>&1 && break; sleep 0.1; done
# The window itself, not the small helper windows Qt maps under its name.
largest() {
  local id best=0 size bx=0 by=0 bh=0
  for id in $(xdotool search --onlyvisible --name "$1"); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    size=$((WIDTH * HEIGHT))
    if [ "$size" -gt "$best" ]; then best=$size; bx=$X; by=$Y; bh=$HEIGHT; fi
  done
  X=$bx Y=$by HEIGHT=$bh
}
largest '^Ostrivan$' || { cat "$work/app.log"; exit 1; }
wx=$X wy=$Y
# Points in the window, from its top left corner.
at() {
  xdotool mousemove $((wx + $1)) $((wy + $2))
  shift 2
  xdotool "$@"
}
away() { xdotool mousemove 1020 760; sleep 0.8; }
shot() { import -window root "$out/$1.png"; }

away
shot empty
at 498 442 click 1 # Чтение
away
sleep 2
shot read
at 656 442 click 1 # Запись
away
sleep 2
shot written
at 150 48 click --repeat 2 1 # the first register
away
sleep 1
shot properties
xdotool key Escape
sleep 0.5
# The log from the context menu of the window's free area; its second entry.
at 558 479 click 3
sleep 0.5
at 618 511 click 1
away
sleep 1
shot log
# The log's times differ from run to run.
largest 'Журнал обмена'
convert "$out/log.png" -fill black -draw "rectangle $X,$Y $((X + 110)),$((Y + HEIGHT))" "$out/log.png"
ls "$out"
