#!/usr/bin/env bash
# The bundle's Turtle against the LV2 schemas (lv2_validate, which runs sord_validate).
set -u
bundle="$1"
log=$(lv2_validate "$bundle"/*.ttl 2>&1)
rc=$?
echo "$log" | grep -v '^Skipping file'
[ $rc -eq 0 ] && echo "$log" | grep -q '^Found 0 errors'
