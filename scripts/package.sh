#!/bin/sh
# Builds the four release archives into dist/:
#   velmark-VERSION-linux-x86_64.tar.gz    the host runner, kernels chosen at run time
#   velmark-VERSION-linux-aarch64.tar.gz   the runner for 64-bit ARM Linux, static
#   velmark-VERSION-linux-armv4t.tar.gz    the runner for ARMv4T soft-float Linux, static
#   velmark-VERSION-windows-x86_64.zip     Velmark.exe (the dialog) and velmark.exe
# Installs the Debian packages it needs first; reuses builds already made.
# Usage: package.sh [preset ...]   (default: all four)
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
scripts/install-deps.sh all
presets="${*:-host-release aarch64 armv4t win32}"
jobs="$(nproc 2>/dev/null || echo 2)"
mkdir -p dist
for preset in $presets; do
    echo "==== packaging $preset"
    cmake --preset "$preset" >/dev/null
    targets="velmark"
    [ "$preset" = win32 ] && targets="velmark Velmark"
    # shellcheck disable=SC2086
    cmake --build --preset "$preset" -j "$jobs" --target $targets >/dev/null
    (cd "build/$preset" && cpack -B "$root/dist" >/dev/null)
done
rm -rf dist/_CPack_Packages
ls -l dist
