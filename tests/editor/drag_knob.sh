#!/usr/bin/env bash
# The editor in a real window: dragging a knob up with the mouse sends rising values of its
# parameter to the host, one step per pixel, for 90 pixels. Run under with_xvfb.sh.
#   drag_knob.sh BUILD [seed|probability [LOOP.wav]]
# "seed" (the default) drags the "Seed" knob: "RandSeed" rises by 1/360 a pixel, to 0.25.
# "probability" drags the Tape Stop column's "Probability" knob: "Tape Prb" rises from 0.5 by
# 1/200 a pixel, to 0.95. The host is BUILD/frakle-host, or BUILD/frakle-host.exe through Wine
# (tests/windows/wine.sh) in a Windows build; it plays LOOP.wav, or a loop made by
# BUILD/frakle-demo-loop where there is one.
set -u
build="$1"
knob="${2:-seed}"
case "$knob" in
seed) at="260 55" param=0 low=0.05 high=0.2501 ;;
probability) at="34 246" param=37 low=0.55 high=0.9501 ;;
*) echo "unknown knob $knob"; exit 2 ;;
esac
command -v xdotool > /dev/null || { echo "SKIPPED: xdotool is not installed (apt-get install xdotool)"; exit 77; }
log=$(mktemp)
made=$(mktemp --suffix=.wav)
trap 'rm -f "$log" "$made"' EXIT
if [ -x "$build/frakle-host.exe" ]; then
    host=("$(dirname "$0")/../windows/wine.sh" "$build/frakle-host.exe")
else
    host=("$build/frakle-host")
fi
if [ -n "${3:-}" ]; then
    loop="$3"
elif [ -x "$build/frakle-demo-loop" ]; then
    loop="$made"
    "$build/frakle-demo-loop" "$loop" --bars 1 > /dev/null || exit 1
else
    loop=""
fi
"${host[@]}" ${loop:+--loop "$loop"} --seconds 120 --print-automation > "$log" 2>&1 &
pid=$!
for _ in $(seq 600); do
    grep -q "^editor open" "$log" && break
    sleep 0.1
done
grep -q "^editor open" "$log" || { echo "the editor did not open"; kill $pid; exit 1; }
window=$(xdotool search --name "mosko Frakle" 2> /dev/null | head -1)
[ -n "${window:-}" ] || { echo "no editor window"; kill $pid; exit 1; }
sleep 0.5
# shellcheck disable=SC2086
xdotool mousemove --window "$window" $at mousedown 1
sleep 0.2
for _ in $(seq 9); do
    xdotool mousemove_relative -- 0 -10
    sleep 0.15
done
xdotool mouseup 1
sleep 0.5
kill -INT $pid
wait $pid
rc=$?
cat "$log" | tail -3
[ $rc -eq 0 ] || { echo "frakle-host failed with $rc"; exit 1; }
# The values the drag sent (the plug-in's own program load sends the parameter first): rising,
# ending within the knob's range for 90 pixels.
grep "^automate $param " "$log" | awk -v low=$low -v high=$high '
    { v = $3 + 0; if (v < last) { print "not rising: " v " after " last; bad = 1 } last = v; n++ }
    END { if (bad) exit 1; if (last < low || last > high) { print "last value " last; exit 1 }
          if (n < 5) { print "too few steps: " n; exit 1 } print "drag ok, last " last }'
