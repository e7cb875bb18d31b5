#!/usr/bin/env python3
"""Checks that the digests the runner and the tests rely on are the ones the
independent script computes. usage: check_digest_tool.py SCRIPT HEADER TESTFILE"""
import re
import subprocess
import sys

script, header, test_file = sys.argv[1:4]
ok = True
for option, source, name in (([], header, "kKnownSolutionDigest"),
                             (["--after-run"], header, "kKnownRunDigest"),
                             (["--transposed"], test_file, "kKnownTransposedDigest")):
    computed = subprocess.run([sys.executable, script] + option, capture_output=True, text=True,
                              check=True, timeout=120).stdout.strip()
    known = re.search(name + r" = (0x[0-9a-fA-F]+)ULL", open(source).read()).group(1)
    print("%s: script %s, source %s" % (name, computed, known))
    ok = ok and int(computed, 16) == int(known, 16)
sys.exit(0 if ok else 1)
