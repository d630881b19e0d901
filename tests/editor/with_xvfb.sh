#!/usr/bin/env bash
# Runs a command on a private virtual X display; exits 77 (skipped) where Xvfb is not installed.
set -u
command -v Xvfb > /dev/null || { echo "SKIPPED: Xvfb is not installed (apt-get install xvfb)"; exit 77; }
exec 3< <(:)
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5> "$fifo" 2> /dev/null &
xvfb=$!
read -r -t 10 number < "$fifo" || { echo "Xvfb did not start"; kill $xvfb 2> /dev/null; rm -f "$fifo"; exit 1; }
rm -f "$fifo"
export DISPLAY=":$number"
"$@"
rc=$?
kill $xvfb 2> /dev/null
wait $xvfb 2> /dev/null
exit $rc
