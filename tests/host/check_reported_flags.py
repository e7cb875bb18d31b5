#!/usr/bin/env python3
"""The flags the runner reports are the ones its engine was compiled with:
every option of the engine's compile command (as CMake wrote it into
compile_commands.json) that changes code is in build.flags.
usage: check_reported_flags.py RUNNER compile_commands.json"""
import json
import shlex
import subprocess
import sys

runner, commands_path = sys.argv[1:3]
with open(commands_path) as f:
    commands = json.load(f)
engine = [c for c in commands if c["file"].endswith("/engine/benchmark_run.cpp")]
if len(engine) != 1:
    print("FAIL: no single compile command for engine/benchmark_run.cpp")
    sys.exit(1)
arguments = shlex.split(engine[0]["command"])[1:]
skip_next = {"-o", "-c", "-I", "-isystem", "-MF", "-MT", "-D"}
flags, previous = [], ""
for argument in arguments:
    if previous in skip_next or not argument.startswith("-") or argument.startswith(("-I", "-D", "-o")):
        previous = argument
        continue
    previous = argument
    if argument not in skip_next:
        flags.append(argument)
report = json.loads(subprocess.run([runner, "--runs", "1", "--json"], capture_output=True, text=True,
                                   timeout=120).stdout)
reported = report["build"]["flags"].split()
missing = [f for f in flags if f not in reported]
print("engine compiled with: %s" % " ".join(flags))
print("reported:             %s" % " ".join(reported))
ok = not missing and flags
print(("ok:   " if ok else "FAIL: ") + "every flag is reported (missing: %s)" % " ".join(missing))
print("1 passed, 0 failed" if ok else "0 passed, 1 failed")
sys.exit(0 if ok else 1)
