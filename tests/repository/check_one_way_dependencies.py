#!/usr/bin/python3
"""Dependencies run one way: nothing outside tests/ includes, imports,
compiles or runs a file under tests/, so that every product folder (the
device port, the tools, the CE loader, the page, the benchmarks) stands
without the tests. The test command itself (scripts/test-all.sh, .ci/run)
and the top-level CMakeLists.txt's add_subdirectory of a test folder are
the way in, and may name them.
usage: check_one_way_dependencies.py SOURCE_DIR"""
import os
import re
import subprocess
import sys

from checks import check, outcome

source = sys.argv[1]
# A path into tests/: "tests/...", "../tests", or a "tests" path part.
REACHES = re.compile(r"""(^|[^\w.-])tests/|\.\./tests\b|["']tests["']""")
COMMENT = re.compile(r"^\s*(#|//|/?\*|<!--|;)")
THE_WAY_IN = {"scripts/test-all.sh", ".ci/run"}
ADD_TEST_FOLDER = re.compile(r"^\s*add_subdirectory\(tests(/\w+)?\)")

files = subprocess.run(["git", "-C", source, "ls-files"], capture_output=True, text=True, check=True).stdout.split()
reaching = []
for name in files:
    if name.startswith(("tests/", "docs/", "results/")) or name.endswith((".md", ".png", ".ico", ".json")):
        continue
    if name in THE_WAY_IN:
        continue
    try:
        with open(os.path.join(source, name), encoding="utf-8") as f:
            lines = f.read().splitlines()
    except (UnicodeDecodeError, OSError):
        continue
    for number, line in enumerate(lines, 1):
        if REACHES.search(line) and not COMMENT.match(line) and not (
                name == "CMakeLists.txt" and ADD_TEST_FOLDER.match(line)):
            reaching.append(f"{name}:{number}: {line.strip()}")
check(not reaching, "no file outside tests/ reaches into it" +
      "".join(f"\n     {line}" for line in reaching))
sys.exit(outcome())
