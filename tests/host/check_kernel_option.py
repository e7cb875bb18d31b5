#!/usr/bin/python3
"""The kernels a user names are the kernels the runner runs, and the ones its
report names: for each variant, by --kernels and by VELMARK_KERNELS, the
real runner in a process of its own (where no earlier choice exists).

What it ran is seen from outside: under callgrind, whose record of the
functions executed names each fast variant's unit kernels ("portable" is
the plain kernels alone: no variant's). valgrind's processor lacks
AVX-512, so there the runner's own choice would be AVX2, and any variant
other than that one shows a default choice that overrode the user's.

usage: check_kernel_option.py RUNNER VARIANT;VARIANT... [--callgrind]
Without --callgrind only the reports are checked.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from checks import check, outcome

runner, variants = sys.argv[1], sys.argv[2].split(";")
under_callgrind = "--callgrind" in sys.argv[3:]
UNIT_KERNEL = re.compile(r"\b(?:axpy|scal|iamax)_(sse2|avx2|avx512)\b")


def environment(variant=None):
    env = {k: v for k, v in os.environ.items() if k != "VELMARK_KERNELS"}
    if variant is not None:
        env["VELMARK_KERNELS"] = variant
    return env


def fast_variants_of(variant):
    """The fast variants whose kernels run when this variant is chosen."""
    return set() if variant == "portable" else {variant}


def kernels_run(command, env):
    """The variants whose unit kernels ran, and the runner's report."""
    with tempfile.TemporaryDirectory() as folder:
        # One record a process: the runs are made in a process of the runner's own.
        record = os.path.join(folder, "callgrind.out.%p")
        done = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + record,
                               *command], capture_output=True, text=True, timeout=600, env=env)
        names = set()
        for name in os.listdir(folder):
            with open(os.path.join(folder, name)) as f:
                names |= set(UNIT_KERNEL.findall(f.read()))
    return names, done


for variant in variants:
    for how, args, env in (("--kernels", ["--kernels", variant], environment()),
                           ("VELMARK_KERNELS", [], environment(variant))):
        done = subprocess.run([runner, "--runs", "1", "--processes", "1", "--json", *args], capture_output=True, text=True,
                              timeout=120, env=env)
        if done.returncode == 2 and "this machine cannot run" in done.stderr:
            print(f"skip: this machine cannot run {variant}")
            break
        reported = json.loads(done.stdout)["build"]["kernels"] if done.returncode == 0 else None
        check(done.returncode == 0 and reported == variant,
              f"{how} {variant}: the report names {reported} (status {done.returncode}) {done.stderr.strip()}")

if not under_callgrind:
    pass
elif shutil.which("valgrind") is None:
    check(False, "valgrind (package valgrind) is there to see which kernels ran")
else:
    for variant in variants:
        for how, args, env in (("--kernels", ["--kernels", variant], environment()),
                               ("VELMARK_KERNELS", [], environment(variant))):
            ran, done = kernels_run([runner, "--runs", "1", "--processes", "1", "--json", *args], env)
            if done.returncode == 2 and "this machine cannot run" in done.stderr:
                print(f"skip: valgrind's processor cannot run {variant}")
                break
            reported = json.loads(done.stdout)["build"]["kernels"] if done.returncode == 0 else None
            check(done.returncode == 0 and ran == fast_variants_of(variant) and reported == variant,
                  f"{how} {variant} under callgrind: ran {sorted(ran)}, reported {reported} "
                  f"(status {done.returncode})")

sys.exit(outcome())
