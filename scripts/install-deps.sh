#!/bin/sh
# Installs the Debian packages a set of builds needs, skipping what is
# already present. Usage: install-deps.sh [--print] host|win32|wm5|web|web-tests|all
#   host:      what building and running the host runner (and its manual page)
#              needs, and node for placing a result among the table's (--place)
#   win32:     what building the desktop Velmark.exe and opening it under wine needs
#   wm5:       what building the device image and running it here needs
#   web:       what building the page and serving it needs, with
#              coi-serviceworker from npm into web/node_modules (the
#              version web/package-lock.json pins)
#   web-tests: that, and what testing it needs: chromium, firefox-esr,
#              WebKitGTK's driver and Xvfb, and the browsers' drivers
#              (playwright-core, puppeteer-core, selenium-webdriver) from
#              npm into tools/browsers/node_modules (its package-lock.json
#              pins them)
#   all:  everything the test command builds and runs
#   --print: name the packages instead (those that are missing marked so)
set -eu
host="cmake make g++ googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev python3 help2man nodejs"
wm5="cmake make g++ python3 gcc-arm-none-eabi libnewlib-arm-none-eabi
     libstdc++-arm-none-eabi-newlib python3-pefile python3-pyelftools
     binutils-mingw-w64-x86-64 qemu-user gcab cabextract 7zip"
web="cmake make python3 clang lld nodejs"
web_tests="$web chromium firefox-esr webkit2gtk-driver xvfb"
win32="cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64"
tests="clang python3-matplotlib libopenblas-dev valgrind flake8
       g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
       xvfb xdotool imagemagick x11-utils qemu-user g++-arm-linux-gnueabi
       g++-aarch64-linux-gnu"
print=no
if [ "${1:-}" = "--print" ]; then
    print=yes
    shift
fi
case "${1:-all}" in
    host) wanted="$host" ;;
    win32) wanted="$win32" ;;
    wm5) wanted="$wm5" ;;
    web) wanted="$web" ;;
    web-tests) wanted="$web_tests" ;;
    all) wanted="$host $wm5 $web_tests $tests" ;;
    *) echo "usage: $0 host|win32|wm5|web|web-tests|all" >&2; exit 2 ;;
esac
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
updated=no
install() {
    missing=""
    for package in "$@"; do
        installed "$package" || missing="$missing $package"
    done
    if [ "$print" = yes ]; then
        for package in "$@"; do
            if installed "$package"; then echo "$package"; else echo "$package (missing)"; fi
        done
        return 0
    fi
    [ -z "$missing" ] && return 0
    echo "installing:$missing"
    if [ "$(id -u)" != 0 ]; then
        echo "need root to install these packages (run as root, or install them first)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    [ "$updated" = yes ] || apt-get update -qq
    updated=yes
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
}
# shellcheck disable=SC2086
install $wanted
# The sanitizers' runtime (for the tests' sanitizer build) is the one of
# the clang that is installed, whose version differs between Debian releases.
case "${1:-all}" in
    all)
        major="$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)"
        if [ -n "$major" ]; then
            install "libclang-rt-$major-dev"
        elif [ "$print" = yes ]; then
            echo "libclang-rt-VERSION-dev (the version of clang, once it is installed)"
        fi
        ;;
esac
# npm packages, at the versions a folder's package-lock.json pins: the
# page's service worker (web/), and the browsers' drivers (tools/browsers/).
npm_install() {
    folder="$(cd "$(dirname "$0")/../$1" && pwd)"
    if [ "$print" = yes ]; then
        echo "npm packages of $1/package-lock.json, into $1/node_modules"
    elif ! (cd "$folder" && node -e "const lock = require('./package-lock.json').packages;
            for (const [path, { version }] of Object.entries(lock)) {
                if (path && require('./' + path + '/package.json').version !== version) process.exit(1);
            }" 2>/dev/null); then
        echo "installing: the npm packages of $1 (npm)"
        (cd "$folder" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
    fi
}
case "${1:-all}" in
    web) npm_install web ;;
    web-tests|all) npm_install web; npm_install tools/browsers ;;
esac
