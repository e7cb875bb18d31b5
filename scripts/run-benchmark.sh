#!/bin/sh
# Builds the host runner (GCC -O3 -march=native) and runs it; the arguments
# go to velmark (try --help). Installs the Debian packages it needs first.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh host
cmake --preset host-release >/dev/null
cmake --build --preset host-release --target velmark -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
exec build/host-release/host/velmark "$@"
