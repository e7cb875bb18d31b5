#!/bin/sh
# The wine launcher, run from a folder of its own without a prefix given,
# makes no wine prefix there (nor anything else).
# usage: check_launcher_prefix.sh WORK_FOLDER run_under_wine.sh PROGRAM.exe
set -u
work="$1/launcher-cwd"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
env -u WINEPREFIX "$2" "$3" --help >/dev/null 2>&1
if [ -n "$(ls -A)" ]; then
    echo "FAIL the launcher left in the caller's folder: $(ls -A)"
    exit 1
fi
echo "ok   the launcher leaves the caller's folder alone"
