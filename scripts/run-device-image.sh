#!/bin/sh
# Runs the device program, build/wm5/ports/wince/Velmark.exe, here: through
# the project's CE loader under qemu-arm's XScale model (-cpu pxa270), with
# the real clock, and prints its result line. That figure is qemu's speed
# on this PC, an emulated figure, not a device result.
# Builds the wm5 preset first (installing what it needs) unless told
# --no-build.
set -eu
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
cd "$root"
if [ "${1:-}" != "--no-build" ]; then
    scripts/install-deps.sh wm5
    cmake --preset wm5 >/dev/null
    cmake --build --preset wm5 -j "$(nproc 2>/dev/null || echo 2)" --target Velmark ce_loader >/dev/null
fi
port=build/wm5/ports/wince
exec /usr/bin/python3 celoader/run_image.py --qemu qemu-arm --cpu pxa270 \
    --loader build/wm5/celoader/ce_loader "$port/Velmark.exe"
