#!/bin/sh
# Builds the host runner and runs it; the arguments go to velmark (try
# --help), and relative paths in them are taken from where you called it.
# Installs the Debian packages it needs first. Works from any folder and
# through a symlink.
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
"$root/scripts/install-deps.sh" host
(
    cd "$root"
    cmake --preset host-release -DVELMARK_REQUIRE_ALL_TESTS=OFF >/dev/null
    cmake --build --preset host-release --target velmark -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
)
exec "$root/build/host-release/host/velmark" "$@"
