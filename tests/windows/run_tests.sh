#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: call it through tests/editor/with_xvfb.sh, so that
# the editor tests have a private X display. The build's private Wine prefix is made once (the
# slow first start), one Wine server serves the whole run, and CTest runs every test.
#   run_tests.sh BUILD-WIN [CTEST-ARGUMENTS...]
set -u
build=$(cd "$1" && pwd)
shift
command -v wine > /dev/null || { echo "wine is not installed (tools/install-deps.sh windows)"; exit 1; }
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver --persistent
# Wine's own services start here, away from CTest's output pipes, which they would hold open.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "run_tests: making the Wine prefix $WINEPREFIX"
    wineboot --init < /dev/null > /dev/null 2>&1
else
    wineboot < /dev/null > /dev/null 2>&1
fi
ctest --test-dir "$build" --output-on-failure "$@"
rc=$?
wineserver --kill
exit $rc
