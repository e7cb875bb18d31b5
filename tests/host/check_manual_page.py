#!/usr/bin/python3
"""The manual page velmark(1): it renders without a warning, it is the
runner's page, and it lists every option the runner accepts, as the
option parser (host/options.cpp) names them, so that an option added to
the runner and not to its help fails here.

usage: check_manual_page.py MANUAL_PAGE OPTIONS_SOURCE
"""
import re
import subprocess
import sys

from checks import check, outcome

page, options_source = sys.argv[1:3]
rendered = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-P", "-cbou", page], capture_output=True, text=True,
                          timeout=60)
check(rendered.returncode == 0 and not rendered.stderr.strip(),
      f"{page} renders without a warning{': ' + rendered.stderr.strip() if rendered.stderr.strip() else ''}")
text = rendered.stdout.replace("\u2010", "-").replace("\u2212", "-")
check(re.search(r"^NAME\n\s+velmark - ", text, re.M) is not None and "Exit status" in text,
      "it is velmark(1), with its name line and its exit statuses")
with open(options_source, encoding="utf-8") as f:
    # --as-process is the runner's to its own processes, not the user's.
    accepted = sorted(set(re.findall(r'"(--[a-z][a-z-]*|-[a-z])"', f.read())) - {"--as-process"})
check(len(accepted) >= 6, f"the runner's options, as its parser names them: {', '.join(accepted)}")
listed = [option for option in accepted if re.search(rf"^ {{4,}}(-\w, )?{re.escape(option)}\b", text, re.M)]
missing = sorted(set(accepted) - set(listed))
check(not missing, f"the page lists every option the runner accepts (missing: {', '.join(missing) or 'none'})")
sys.exit(outcome())
