#!/usr/bin/env python3
"""Checks that the digest the runner and the tests rely on is the one the
independent script computes. usage: check_digest_tool.py SCRIPT HEADER"""
import re
import subprocess
import sys

script, header = sys.argv[1:3]
computed = subprocess.run([sys.executable, script], capture_output=True, text=True,
                          check=True, timeout=120).stdout.strip()
known = re.search(r"kKnownSolutionDigest = (0x[0-9a-fA-F]+)ULL", open(header).read()).group(1)
print("script: %s, header: %s" % (computed, known))
sys.exit(0 if int(computed, 16) == int(known, 16) else 1)
