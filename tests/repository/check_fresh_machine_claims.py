#!/usr/bin/python3
"""What the project claims of a fresh machine, checked against the
machine's own tools rather than one Debian release: the install script
names the sanitizer runtime of the clang that is installed, and the CMake
version the presets file needs is the one the project asks for.
usage: check_fresh_machine_claims.py SOURCE_DIR"""
import json
import os
import re
import subprocess
import sys

from checks import check, outcome

source = sys.argv[1]


try:
    version = subprocess.run(["clang", "--version"], capture_output=True, text=True).stdout
    major = re.search(r"clang version (\d+)", version).group(1)
except (OSError, AttributeError):
    major = None  # no clang yet: the script names the runtime once it is there
listed = subprocess.run([os.path.join(source, "scripts", "install-deps.sh"), "--print", "all"],
                        capture_output=True, text=True, timeout=60).stdout.split()
runtimes = [p for p in listed if p.startswith("libclang-rt-")]
check(runtimes == [f"libclang-rt-{major or 'VERSION'}-dev"],
      f"install-deps.sh names clang {major}'s sanitizer runtime: {runtimes}")

# The first CMake release that reads each version of the presets file.
PRESETS_NEED = {1: (3, 19), 2: (3, 20), 3: (3, 21), 4: (3, 23), 5: (3, 24), 6: (3, 25)}
with open(os.path.join(source, "CMakePresets.json")) as f:
    presets = json.load(f)
needed = PRESETS_NEED[presets["version"]]
declared = (presets["cmakeMinimumRequired"]["major"], presets["cmakeMinimumRequired"]["minor"])
with open(os.path.join(source, "CMakeLists.txt")) as f:
    project = tuple(int(x) for x in re.search(r"cmake_minimum_required\(VERSION (\d+)\.(\d+)", f.read()).groups())
check(declared == needed == project,
      "presets version %d needs CMake %d.%d; the presets say %d.%d, CMakeLists.txt %d.%d"
      % ((presets["version"],) + needed + declared + project))
sys.exit(outcome())
