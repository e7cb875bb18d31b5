#!/usr/bin/python3
"""The flags the runner reports are the ones its engine was compiled with
that decide its code: every optimisation (-O), target (-m) and code
generation (-f) option of the engine's compile command (as CMake wrote it
into compile_commands.json) is in build.flags, and nothing else is, no
warning or language-standard flag.
usage: check_reported_flags.py RUNNER compile_commands.json"""
import json
import shlex
import subprocess
import sys

from checks import check, outcome

runner, commands_path = sys.argv[1:3]
with open(commands_path) as f:
    commands = json.load(f)
engine = [c for c in commands if c["file"].endswith("/engine/benchmark_run.cpp")]
if not check(len(engine) == 1, "one compile command for engine/benchmark_run.cpp"):
    sys.exit(outcome())
arguments = shlex.split(engine[0]["command"])[1:]
skip_next = {"-o", "-c", "-I", "-isystem", "-MF", "-MT", "-D"}
flags, previous = [], ""
for argument in arguments:
    if previous in skip_next or not argument.startswith("-") or argument.startswith(("-I", "-D", "-o")):
        previous = argument
        continue
    previous = argument
    if argument.startswith(("-O", "-m", "-f")):
        flags.append(argument)
report = json.loads(subprocess.run([runner, "--runs", "1", "--json"], capture_output=True, text=True,
                                   timeout=120).stdout)
reported = report["build"]["flags"].split()
missing = [f for f in flags if f not in reported]
extra = [f for f in reported if f not in flags]
print(f"engine's code flags: {' '.join(flags)}")
print(f"reported:            {' '.join(reported)}")
check(bool(flags) and not missing, f"every flag that decides the code is reported (missing: {' '.join(missing)})")
check(not extra, f"nothing else is (extra: {' '.join(extra)})")
sys.exit(outcome())
