#!/bin/sh
# The page against the native runner, side by side in one run (a
# benchmark, not a test): builds the host runner and the page, then runs
# bench/web_vs_native.mjs: the page in chromium, firefox and WebKitGTK,
# each module, against the native runner.
# Usage: bench-web.sh [ROUNDS [ENGINE...]]   (default 5 rounds; ENGINE chromium, firefox or webkit, default all)
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
scripts/install-deps.sh host
scripts/install-deps.sh web-tests
jobs="$(nproc 2>/dev/null || echo 2)"
cmake --preset host-release -DVELMARK_REQUIRE_ALL_TESTS=OFF >/dev/null
cmake --build --preset host-release --target velmark -j "$jobs" >/dev/null
cmake --preset web -DVELMARK_BUILD_TESTS=OFF >/dev/null
cmake --build --preset web --target velmark_page -j "$jobs" >/dev/null
rounds="${1:-5}"
if [ $# -gt 0 ]; then shift; fi
exec node bench/web_vs_native.mjs build/host-release/host/velmark build/web/web/site "$rounds" "$@"
