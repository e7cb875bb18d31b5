#!/bin/sh
# Configures and builds one CMake preset with its tests (all of them
# required), with the output in a log of its own, build/logs/PRESET.log:
# removed when the build succeeds, kept when it fails, with its path and
# its last lines shown. Usage: build-preset.sh PRESET
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
preset="$1"
jobs="$(nproc 2>/dev/null || echo 2)"
mkdir -p build/logs
log="build/logs/$preset.log"
if cmake --preset "$preset" -DVELMARK_BUILD_TESTS=ON -DVELMARK_REQUIRE_ALL_TESTS=ON >"$log" 2>&1 &&
   cmake --build --preset "$preset" -j "$jobs" >>"$log" 2>&1; then
    rm -f "$log"
    exit 0
fi
tail -n 40 "$log"
echo "the build of $preset failed; its whole log: $root/$log" >&2
exit 1
