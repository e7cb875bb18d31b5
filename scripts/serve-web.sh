#!/bin/sh
# Builds the page (the web preset: the engine as WebAssembly) and serves it
# on 127.0.0.1 with the headers that give it a fine clock; prints the URL.
# Usage: serve-web.sh [PORT]   (default 8000)
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
scripts/install-deps.sh web
cmake --preset web -DVELMARK_BUILD_TESTS=OFF >/dev/null
cmake --build --preset web -j "$(nproc 2>/dev/null || echo 2)" --target velmark_page >/dev/null
exec python3 web/serve.py build/web/web/site --port "${1:-8000}"
