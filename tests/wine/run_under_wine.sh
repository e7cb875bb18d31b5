#!/bin/sh
# Runs a Windows program under wine in a private prefix inside the build
# tree (or $WINEPREFIX when the caller chose one), quietly, and returns its
# exit status. Console programs need no display.
set -e
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX="${VELMARK_WINE_PREFIX:-$(pwd)/wineprefix}"
fi
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    DISPLAY= wine wineboot --init >/dev/null 2>&1 || true
fi
exec wine "$@"
