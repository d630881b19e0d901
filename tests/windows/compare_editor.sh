#!/usr/bin/env bash
# The Windows editor looks as the Linux one does: frakle-host of each build opens the editor on
# the same X display (the Windows one through Wine), each window is captured with ImageMagick's
# import, and compare counts the pixels that differ. TOLERANCE (default 0) is how many may.
# Run under with_xvfb.sh.
#   compare_editor.sh BUILD-WIN LINUX-BUILD [TOLERANCE]
set -u
win="$1"
linux="$2"
tolerance="${3:-0}"
[ -x "$linux/frakle-host" ] || { echo "no Linux build in $linux (make build)"; exit 77; }
command -v xdotool > /dev/null || { echo "xdotool not installed"; exit 77; }
[ -x /usr/bin/import ] && [ -x /usr/bin/compare ] || { echo "ImageMagick not installed"; exit 77; }
shots="$win/editor-shots"
mkdir -p "$shots"

# Opens the editor with HOST..., captures it into $shots/NAME.png and closes it.
shoot() {
    local name="$1" log pid window
    shift
    log=$(mktemp)
    "$@" --seconds 60 > "$log" 2>&1 &
    pid=$!
    for _ in $(seq 600); do
        grep -q "^editor open" "$log" && break
        sleep 0.1
    done
    window=$(xdotool search --name "mosko Frakle" 2> /dev/null | head -1)
    # The pointer over the background, which clears the help line (Wine may have shown the
    # help of wherever it last saw the pointer), then off the editor.
    [ -n "${window:-}" ] && xdotool mousemove --window "$window" 174 60 && sleep 0.3 &&
        xdotool mousemove 1023 767
    sleep 1 # a few idle calls: everything drawn
    if [ -z "${window:-}" ] || ! /usr/bin/import -window "$window" "$shots/$name.png"; then
        echo "no $name editor window"
        cat "$log"
        kill $pid
        rm -f "$log"
        return 1
    fi
    kill -INT $pid
    wait $pid
    rm -f "$log"
}

shoot linux "$linux/frakle-host" || exit 1
shoot windows "$(dirname "$0")/wine.sh" "$win/frakle-host.exe" || exit 1
/usr/bin/identify -format "linux %wx%h\n" "$shots/linux.png"
/usr/bin/identify -format "windows %wx%h\n" "$shots/windows.png"
differing=$(/usr/bin/compare -metric AE "$shots/linux.png" "$shots/windows.png" "$shots/difference.png" 2>&1)
echo "pixels that differ: $differing (tolerance $tolerance; $shots/difference.png)"
[ "${differing%% *}" -le "$tolerance" ] 2> /dev/null
