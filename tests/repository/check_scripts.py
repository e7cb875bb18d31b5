#!/usr/bin/python3
"""What the scripts promise a user, seen by running them where that is
cheap: a failed build keeps its whole log in the build tree and says where;
opening the dialog installs what the dialog needs, not every build's tools.
usage: check_scripts.py SOURCE_DIR"""
import os
import subprocess
import sys

from checks import check, outcome

source = sys.argv[1]
preset = "velmark-test-no-such-preset"
log = os.path.join(source, "build", "logs", preset + ".log")
before = set(os.listdir(source))
done = subprocess.run([os.path.join(source, "scripts", "build-preset.sh"), preset], capture_output=True,
                      text=True, timeout=120)
with open(log) if os.path.exists(log) else open(os.devnull) as f:
    kept = f.read()
check(done.returncode == 1 and "No such preset" in kept,
      f"a build that fails keeps its log in the build tree (status {done.returncode}, log {kept[-200:]!r})")
check(log in done.stderr, f"and says where it is: {done.stderr!r}")
check(set(os.listdir(source)) - {"build"} == before - {"build"}, "and writes nothing into the source folder")
if os.path.exists(log):
    os.remove(log)

listed = subprocess.run([os.path.join(source, "scripts", "install-deps.sh"), "--print", "win32"],
                        capture_output=True, text=True, timeout=60).stdout.split()
packages = {p for p in listed if not p.startswith("(")}
check({"g++-mingw-w64-x86-64-posix", "wine"} <= packages and
      not packages & {"qemu-user", "gcc-arm-none-eabi", "g++-aarch64-linux-gnu", "valgrind", "clang"},
      f"the win32 packages are the desktop program's and wine, no other build's: {sorted(packages)}")
with open(os.path.join(source, "scripts", "run-dialog.sh")) as f:
    check('install-deps.sh" win32' in f.read(), "run-dialog.sh installs those")
sys.exit(outcome())
