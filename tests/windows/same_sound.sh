#!/usr/bin/env bash
# The Windows plug-in sounds as the Linux one does: the demo loop (make demo) rendered by the
# Linux frakle-render and by frakle-same-sound through frakle.dll under Wine, with the same
# settings, compared step by step. One case a line: a name, then INDEX=VALUE settings.
#   same_sound.sh BUILD-WIN LINUX-BUILD
set -u
here=$(cd "$(dirname "$0")" && pwd)
win=$(cd "$1" && pwd)
linux=$(cd "$2" 2> /dev/null && pwd) || { echo "no Linux build in $2 (make demo)"; exit 77; }
[ -x "$linux/frakle-render" ] && [ -f "$linux/demo/in.wav" ] ||
    { echo "no frakle-render or demo loop in $linux (make demo)"; exit 77; }
cases=(
    "default-program"
    # The arithmetic most likely to differ between C libraries: the modulator's sines through
    # its filter, the retrigger's pitch, overdrive (tanh) and the master filter.
    "modulator-filters-overdrive 101=1 45=0.3 47=0.6 126=0.5 6=0.7 31=0.7 32=0.3 34=0.5"
)
out="$win/same-sound"
mkdir -p "$out"
cd "$win" || exit 1
status=0
for line in "${cases[@]}"; do
    read -r name settings <<< "$line"
    params=()
    for setting in $settings; do
        params+=(--param "$setting")
    done
    "$linux/frakle-render" --bpm 120 "${params[@]}" "$linux/demo/in.wav" "$out/$name-linux.wav" \
        > /dev/null || exit 1
    echo "== $name"
    # Wine maps the current folder: the Windows program gets relative paths.
    # shellcheck disable=SC2086
    "$here/wine.sh" ./frakle-same-sound.exe frakle.dll \
        "$(realpath --relative-to=. "$linux/demo/in.wav")" "same-sound/$name-linux.wav" \
        "same-sound/$name-windows.wav" $settings || status=1
done
exit $status
