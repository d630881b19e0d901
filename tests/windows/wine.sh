#!/usr/bin/env bash
# Runs a Windows program of the Windows build through Wine, quietly, in the build's private Wine
# prefix (the folder wine/ beside the program, unless WINEPREFIX says otherwise). CMake puts it
# before every Windows test program (cmake/mingw-w64.cmake); run_tests.sh prepares the prefix.
set -u
[ $# -gt 0 ] || { echo "usage: wine.sh PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
: "${WINEPREFIX:=$(cd "$(dirname "$1")" && pwd)/wine}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# A fresh prefix would offer to install .NET and HTML engines; nothing here needs them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
