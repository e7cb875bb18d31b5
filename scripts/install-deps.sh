#!/bin/sh
# Installs the Debian packages a set of builds needs, skipping what is
# already present. Usage: install-deps.sh host|wm5|all
#   host: what building and running the host runner needs
#   wm5:  what building the device image and running it here needs
#   all:  everything the test command builds and runs
set -eu
host="cmake make g++ googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev python3"
wm5="cmake make g++ python3 gcc-arm-none-eabi libnewlib-arm-none-eabi
     libstdc++-arm-none-eabi-newlib python3-pefile python3-pyelftools
     binutils-mingw-w64-x86-64 qemu-user"
tests="clang libclang-rt-14-dev python3-matplotlib libopenblas-dev
       g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
       xvfb xdotool imagemagick x11-utils qemu-user g++-arm-linux-gnueabi
       g++-aarch64-linux-gnu"
case "${1:-all}" in
    host) wanted="$host" ;;
    wm5) wanted="$wm5" ;;
    all) wanted="$host $wm5 $tests" ;;
    *) echo "usage: $0 host|wm5|all" >&2; exit 2 ;;
esac
missing=""
for package in $wanted; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" != 0 ]; then
    echo "need root to install these packages (run as root, or install them first)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
