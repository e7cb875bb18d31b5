#!/bin/sh
# Builds every build that runs on this machine and runs all of its tests:
# host GCC -O3 and -O0, Clang -O2, Clang with sanitizers (and the fuzzer),
# ARM soft-float Linux (armel) under qemu-arm, AArch64 under qemu-aarch64,
# Win32 under wine (with the real dialog under Xvfb), and the device image
# for Windows Mobile 5.0 through the project's CE loader under qemu-arm,
# with coredll's arithmetic helpers and, as wm5-libgcc, with libgcc's, and
# the browser port (the engine as WebAssembly under node, the page in
# headless chromium). Then it packs the release files (scripts/package.sh)
# and tests them unpacked, and runs every command the README and the
# documents give (tests/repository/documented_commands.txt). Installs
# the Debian packages it needs first; a test whose tool is missing fails the
# configure rather than going missing.
# Usage: test-all.sh [preset ...]   (default: all of them)
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
scripts/install-deps.sh all

presets="${*:-host-release host-debug host-clang host-sanitize armel aarch64 win32 wm5 wm5-libgcc web}"
jobs="$(nproc 2>/dev/null || echo 2)"
failed=""
started="$(date +%s)"
elapsed() { echo "$(( $(date +%s) - started )) s in"; }
built() { case " $presets " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }
for preset in $presets; do
    echo "==== $preset ($(elapsed))"
    if scripts/build-preset.sh "$preset"; then
        if ! ctest --preset "$preset" -j "$jobs"; then
            failed="$failed $preset"
        elif [ "$preset" = wm5 ]; then
            scripts/run-device-image.sh --no-build || failed="$failed wm5(emulated-run)"
        fi
    else
        failed="$failed $preset(build)"
    fi
done
# The release archives, when every build they come from was built here.
if built host-release && built aarch64 && built armel && built win32 && built wm5 && built web; then
    echo "==== release archives ($(elapsed))"
    # A release of another version left in dist/: packing must clear it.
    rm -rf dist
    mkdir -p dist
    touch dist/velmark-0.9-wm5-armv4i.cab
    # The release files' test is a CTest project of its own (tests/package).
    if ! scripts/package.sh ||
       ! cmake -S tests/package -B build/package -DDIST="$root/dist" -DWIN32_BUILD="$root/build/win32" \
             -DWM5_BUILD="$root/build/wm5" >/dev/null ||
       ! ctest --test-dir build/package --output-on-failure; then
        failed="$failed archives"
    fi
fi
# Every command the README and the documents give, as a reader would run it
# (tests/repository/documented_commands.txt says how each is run).
if built host-release && built host-clang && built win32 && built wm5 && built web; then
    echo "==== the documents' commands ($(elapsed))"
    PYTHONPATH="$root/tests/support" /usr/bin/python3 tests/repository/documented_commands.py --run "$root" ||
        failed="$failed documented-commands"
fi
if [ -n "$failed" ]; then
    echo "FAILED ($(elapsed)):$failed"
    exit 1
fi
echo "all builds passed ($(elapsed)): $presets"
