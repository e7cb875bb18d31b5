#!/usr/bin/python3
"""Checks that the digests the runner, the page and the tests rely on are
the ones the independent script computes.
usage: check_digest_tool.py SCRIPT NAME=SOURCE ...
where NAME is a constant in SOURCE (C++: NAME = 0x...ULL; JavaScript:
NAME = '0x...') whose meaning its name gives."""
import os
import re
import subprocess
import sys

from checks import check, outcome

# Which digest a constant holds, by its name: the script's option for it.
OPTIONS = {"kKnownSolutionDigest": [], "KNOWN_SOLUTION_DIGEST": [],
           "kKnownRunDigest": ["--after-run"], "KNOWN_RUN_DIGEST": ["--after-run"],
           "kKnownTransposedDigest": ["--transposed"], "TRANSPOSED_SOLUTION_DIGEST": ["--transposed"]}

script = sys.argv[1]
for pair in sys.argv[2:]:
    name, source = pair.split("=", 1)
    computed = subprocess.run([sys.executable, script] + OPTIONS[name], capture_output=True, text=True,
                              check=True, timeout=120).stdout.strip()
    with open(source) as f:
        found = re.search(name + r""" = ['"]?(0x[0-9a-fA-F]+)""", f.read())
    known = found.group(1) if found else None
    check(known is not None and int(computed, 16) == int(known, 16),
          f"{name} in {os.path.basename(source)}: {known}, the script's {computed}")
sys.exit(outcome())
