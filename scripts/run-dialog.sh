#!/bin/sh
# Builds the desktop Win32 Velmark.exe (mingw-w64) and opens it under wine on
# the display you are using, inside a wine virtual desktop the size of a
# device's screen (480 x 640; give another as WIDTHxHEIGHT). The virtual
# desktop frames the dialog with its caption, as a device does, where a bare
# X display without a window manager would show it without one.
# Installs the Debian packages it needs first. Works from any folder.
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
screen="${1:-480x640}"
if [ -z "${DISPLAY:-}" ]; then
    echo "run-dialog.sh: no DISPLAY; run it from a desktop session" >&2
    exit 1
fi
"$root/scripts/install-deps.sh" win32
cd "$root"
cmake --preset win32 -DVELMARK_REQUIRE_ALL_TESTS=OFF >/dev/null
cmake --build --preset win32 --target Velmark -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
WINEDEBUG=-all exec wine explorer "/desktop=Velmark,$screen" build/win32/ports/win32/Velmark.exe
