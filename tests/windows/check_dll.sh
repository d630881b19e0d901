#!/usr/bin/env bash
# frakle.dll as a Windows host sees it: it exports exactly VSTPluginMain and main, and imports
# only from DLLs every Windows has (no MinGW run-time beside it).
#   check_dll.sh frakle.dll OBJDUMP
set -u
dll="$1"
objdump="$2"
dump=$("$objdump" -p "$dll") || exit 1
imports=$(sed -n 's/^\tDLL Name: //p' <<< "$dump" | sort -f | tr '\n' ' ')
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<< "$dump" | sed -n 's/^\t\[ *[0-9]*\] //p' |
    sort | tr '\n' ' ')
echo "imports: $imports"
echo "exports: $exports"
status=0
for name in $imports; do
    case "${name,,}" in
    kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll) ;;
    *) echo "unexpected import: $name"; status=1 ;;
    esac
done
[ "$exports" = "VSTPluginMain main " ] || { echo "the exports must be VSTPluginMain and main"; status=1; }
"$objdump" -f "$dll" | grep -q "file format pei-x86-64" || { echo "not a 64-bit Windows DLL"; status=1; }
exit $status
