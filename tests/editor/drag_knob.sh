#!/usr/bin/env bash
# The editor in a real X11 window: dragging the "Seed" knob up 90 pixels with the mouse sends
# "RandSeed" = 0.25 to the host, one step per pixel. Run under with_xvfb.sh.
set -u
build="$1"
command -v xdotool > /dev/null || { echo "xdotool not installed"; exit 77; }
log=$(mktemp)
loop=$(mktemp --suffix=.wav)
trap 'rm -f "$log" "$loop"' EXIT
"$build/frakle-demo-loop" "$loop" --bars 1 > /dev/null || exit 1
"$build/frakle-host" --loop "$loop" --seconds 5 --print-automation > "$log" 2>&1 &
host=$!
for _ in $(seq 50); do
    window=$(xdotool search --name "mosko Frakle" 2> /dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "${window:-}" ] || { echo "no editor window"; kill $host; exit 1; }
sleep 0.5
xdotool mousemove --window "$window" 260 55 mousedown 1
sleep 0.2
for _ in $(seq 9); do
    xdotool mousemove_relative -- 0 -10
    sleep 0.05
done
xdotool mouseup 1
wait $host
rc=$?
cat "$log" | tail -3
[ $rc -eq 0 ] || { echo "frakle-host failed with $rc"; exit 1; }
grep -q "^automate 0 0.250000$" "$log" || { echo "the drag did not reach the host"; exit 1; }
grep -c "^automate 0 " "$log" | awk '{ if ($1 < 10) { print "too few steps: " $1; exit 1 } }'
echo "drag ok"
