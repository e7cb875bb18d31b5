#!/bin/sh
# Runs a Windows program under wine, quietly, and returns its exit status;
# the win32 build's tests run through it. The wine prefix is the one given
# (the build passes one in its own tree), else $WINEPREFIX: never one made
# in whatever folder the caller is in. Console programs need no display.
# Usage: run_under_wine.sh [--prefix DIR] PROGRAM [ARGUMENT ...]
set -e
if [ "${1:-}" = "--prefix" ] && [ $# -ge 2 ]; then
    WINEPREFIX="$2"
    shift 2
fi
if [ -z "${WINEPREFIX:-}" ]; then
    echo "run_under_wine.sh: no wine prefix: give --prefix DIR or set WINEPREFIX" >&2
    exit 2
fi
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Tests run in parallel: the first one makes the prefix, the others wait.
mkdir -p "$WINEPREFIX"
flock "$WINEPREFIX/.making" sh -c \
    '[ -f "$WINEPREFIX/system.reg" ] || DISPLAY= wine wineboot --init >/dev/null 2>&1 || true'
exec wine "$@"
