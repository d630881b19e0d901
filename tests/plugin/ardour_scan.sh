#!/usr/bin/env bash
# A real host's check: Ardour's VST scanner loads the plug-in and indexes it as a stereo effect
# with an editor. Skipped (exit 77) where Ardour is not installed.
set -u
plugin="$1"
scanner=/usr/lib/ardour7/ardour-vst-scanner
[ -x "$scanner" ] || { echo "SKIPPED: Ardour's VST scanner is not installed (apt-get install ardour)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$plugin" "$work/frakle.so"
HOME="$work" LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f "$work/frakle.so" > "$work/log" 2>&1
rc=$?
cat "$work/log"
[ $rc -eq 0 ] || { echo "scanner failed with $rc"; exit 1; }
cache=$(find "$work/.cache" -name '*.v2i' | head -1)
[ -n "$cache" ] || { echo "no cache file written"; exit 1; }
cat "$cache"
for want in 'name="mosko Frakle v1.3"' 'creator="mosko"' 'n_inputs="2"' 'n_outputs="2"' \
            'is_instrument="0"' 'can_process_replace="1"' 'has_editor="1"' 'id="1833327455"'; do
    grep -q "$want" "$cache" || { echo "missing: $want"; exit 1; }
done
echo "scan ok"
