#!/bin/sh
# Builds the release files into dist/:
#   velmark-VERSION-linux-x86_64.tar.gz    the host runner, kernels chosen at run time
#   velmark-VERSION-linux-aarch64.tar.gz   the runner for 64-bit ARM Linux, static
#   velmark-VERSION-linux-armel.tar.gz     the runner for ARM soft-float Linux (armel, ARMv5TE), static
#   velmark-VERSION-windows-x86_64.zip     Velmark.exe (the dialog) and velmark-runner.exe
#   velmark-VERSION-wm5-armv4i.zip         Velmark.exe for the device, Windows Mobile 5.0, and its cab
#   velmark-VERSION-wm5-armv4i.cab         the device's installer cab, a release file of its own too
#   velmark-VERSION-web.zip                the page, its two WebAssembly modules, and a note on serving it
# dist/ then holds this version's files only: those of other versions are
# removed. Installs the Debian packages it needs first; reuses builds
# already made.
# Usage: package.sh [preset ...]   (default: all six)
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
scripts/install-deps.sh all
presets="${*:-host-release aarch64 armel win32 wm5 web}"
jobs="$(nproc 2>/dev/null || echo 2)"
version="$(sed -n 's/^project(Velmark VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
mkdir -p dist
find dist -mindepth 1 -maxdepth 1 ! -name "velmark-$version-*" -exec rm -rf {} +
for preset in $presets; do
    echo "==== packaging $preset"
    cmake --preset "$preset" >/dev/null
    # The Linux runners' archives hold their manual page too.
    targets="velmark velmark_manual_page"
    [ "$preset" = win32 ] && targets="velmark Velmark"
    [ "$preset" = wm5 ] && targets="Velmark"
    [ "$preset" = web ] && targets="velmark_page"
    # shellcheck disable=SC2086
    cmake --build --preset "$preset" -j "$jobs" --target $targets >/dev/null
    (cd "build/$preset" && cpack -B "$root/dist" >/dev/null)
    if [ "$preset" = wm5 ]; then
        cp "build/wm5/ports/wince/velmark-$version-wm5-armv4i.cab" dist/
    fi
done
rm -rf dist/_CPack_Packages
ls -l dist
