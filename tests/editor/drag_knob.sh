#!/usr/bin/env bash
# The editor in a real X11 window: dragging the "Seed" knob up with the mouse sends rising
# "RandSeed" values to the host, one step per pixel, up to 90 steps (0.25) for 90 pixels.
# Run under with_xvfb.sh.
set -u
build="$1"
command -v xdotool > /dev/null || { echo "SKIPPED: xdotool is not installed (apt-get install xdotool)"; exit 77; }
log=$(mktemp)
loop=$(mktemp --suffix=.wav)
trap 'rm -f "$log" "$loop"' EXIT
"$build/frakle-demo-loop" "$loop" --bars 1 > /dev/null || exit 1
"$build/frakle-host" --loop "$loop" --seconds 120 --print-automation > "$log" 2>&1 &
host=$!
for _ in $(seq 600); do
    grep -q "^editor open" "$log" && break
    sleep 0.1
done
grep -q "^editor open" "$log" || { echo "the editor did not open"; kill $host; exit 1; }
window=$(xdotool search --name "mosko Frakle" 2> /dev/null | head -1)
[ -n "${window:-}" ] || { echo "no editor window"; kill $host; exit 1; }
sleep 0.5
xdotool mousemove --window "$window" 260 55 mousedown 1
sleep 0.2
for _ in $(seq 9); do
    xdotool mousemove_relative -- 0 -10
    sleep 0.15
done
xdotool mouseup 1
sleep 0.5
kill -TERM $host
wait $host
rc=$?
cat "$log" | tail -3
[ $rc -eq 0 ] || { echo "frakle-host failed with $rc"; exit 1; }
# The values the drag sent (the plug-in's own program load sends a 0 first): rising, at most 0.25.
grep "^automate 0 " "$log" | awk '
    { v = $3 + 0; if (v < last) { print "not rising: " v " after " last; bad = 1 } last = v; n++ }
    END { if (bad) exit 1; if (last < 0.05 || last > 0.2501) { print "last value " last; exit 1 }
          if (n < 5) { print "too few steps: " n; exit 1 } print "drag ok, last " last }'

