#!/bin/sh
# Builds the desktop Win32 Velmark.exe (mingw-w64) and opens it under wine on
# the display you are using. Installs the Debian packages it needs first.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
    echo "run-dialog.sh: no DISPLAY; run it from a desktop session" >&2
    exit 1
fi
scripts/install-deps.sh all
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Velmark -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
WINEDEBUG=-all exec wine build/win32/shell/Velmark.exe
