#!/bin/sh
# Runs a Windows program under wine in a private prefix inside the build
# tree (or $WINEPREFIX when the caller chose one), quietly, and returns its
# exit status. Console programs need no display.
set -e
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX="$(pwd)/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Tests run in parallel: the first one makes the prefix, the others wait.
mkdir -p "$WINEPREFIX"
flock "$WINEPREFIX/.making" sh -c \
    '[ -f "$WINEPREFIX/system.reg" ] || DISPLAY= wine wineboot --init >/dev/null 2>&1 || true'
exec wine "$@"
