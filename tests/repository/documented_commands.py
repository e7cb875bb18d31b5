#!/usr/bin/python3
"""Every command the README and the documents tell a reader to run, held to
the list beside this file (documented_commands.txt), which says how the test
command runs each: itself ("run", in the order the list gives them, from
the state the steps before leave), shortened with arguments that the
command's own later ones override ("run with: ARGUMENTS", for a benchmark
whose full run takes minutes), as a server that must answer ("serve URL"),
as a window that must be shown and stay open ("display"), as a step of the test command
("step: WHAT"), or not at all, with the reason ("not here: WHY").

  --check ROOT   every documented command is listed, every listed one is
                 still documented (a CTest test)
  --run ROOT     runs what the list says to run (scripts/test-all.sh, once
                 every build is there); what the commands write in ROOT
                 (mine.json, ...) is removed afterwards

A command is a line of an indented code block whose first word is a program
(cmake, ctest, node, env) or a file of scripts/, tools/ or build/; a line
that ends in a backslash goes on in the next.
"""
import argparse
import glob
import os
import re
import signal
import subprocess
import sys
import time
import urllib.request

from checks import check, outcome

HERE = os.path.dirname(os.path.abspath(__file__))
LIST = os.path.join(HERE, "documented_commands.txt")
PROGRAMS = ("cmake", "ctest", "node", "env")


def documents(root):
    return ["README.md", os.path.join("results", "README.md")] + sorted(
        os.path.relpath(p, root) for p in glob.glob(os.path.join(root, "docs", "*.md")))


def is_command(line):
    words = line.split()
    if not words:
        return False
    first = words[0]
    return first in PROGRAMS or (first.startswith(("scripts/", "tools/", "build/", "bench/")) and not first.endswith("/"))


def documented(root):
    """(document, command) in the order they stand, comments dropped."""
    found = []
    for name in documents(root):
        with open(os.path.join(root, name), encoding="utf-8") as f:
            lines = f.read().split("\n")
        previous_blank, i = True, 0
        while i < len(lines):
            line = lines[i]
            indented = re.match(r"^( {4,})\S", line)
            if indented and (previous_blank or found and found[-1][2] == i - 1) and is_command(line.strip()):
                command = line.strip()
                while command.endswith("\\") and i + 1 < len(lines):
                    i += 1
                    command = command[:-1].rstrip() + " " + lines[i].strip()
                command = re.sub(r"\s+#.*$", "", command).strip()
                found.append((name, command, i))
            previous_blank = not line.strip() or (indented is not None and found and found[-1][2] == i)
            i += 1
    return [(name, command) for name, command, _ in found]


def listed():
    entries = []
    with open(LIST, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            parts = [part.strip() for part in line.split(" | ")]
            if len(parts) != 3:
                sys.exit(f"{LIST}:{number}: not DOCUMENT | COMMAND | HOW")
            entries.append(tuple(parts))
    return entries


def check_list(root):
    docs = documented(root)
    entries = listed()
    keys = {(name, command) for name, command, _ in entries}
    unlisted = [f"{name}: {command}" for name, command in docs if (name, command) not in keys]
    check(not unlisted, f"every command the documents give is in documented_commands.txt "
          f"({len(docs)} commands; not listed: {'; '.join(unlisted) or 'none'})")
    stale = [f"{name}: {command}" for name, command, _ in entries if (name, command) not in set(docs)]
    check(not stale, f"every listed command is still documented (not: {'; '.join(stale) or 'none'})")
    hows = [how for _, _, how in entries]
    bad = [how for how in hows if not re.match(r"^(run|run with: .+|display|serve http://\S+|step: .+|not here: .+)$", how)]
    check(not bad, f"each says how the test command runs it (not: {'; '.join(bad) or 'none'})")
    check(sum(how.startswith("run") for how in hows) >= len(hows) // 2, "most of them run")


def stop(process):
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(timeout=20)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        os.killpg(process.pid, signal.SIGKILL)


def run_list(root):
    before = set(os.listdir(root))
    try:
        for name, command, how in listed():
            started = time.monotonic()
            if how == "run" or how.startswith("run with: "):
                if how != "run":
                    command += " " + how[len("run with: "):]
                done = subprocess.run(command, shell=True, cwd=root, capture_output=True, text=True, timeout=900)
                tail = (done.stdout + done.stderr).strip().split("\n")[-1][:160]
                check(done.returncode == 0, f"{name}: `{command}` ran ({time.monotonic() - started:.0f} s): {tail}")
            elif how.startswith("serve "):
                url = how.split()[1]
                process = subprocess.Popen(command, shell=True, cwd=root, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, start_new_session=True)
                answered = False
                for _ in range(300):
                    try:
                        with urllib.request.urlopen(url, timeout=2) as response:
                            answered = response.status == 200
                            break
                    except OSError:
                        if process.poll() is not None:
                            break
                        time.sleep(1)
                stop(process)
                check(answered, f"{name}: `{command}` serves {url}")
            elif how == "display":
                # Shown is the dialog's own window, found by its caption on a
                # display of its own, and the program still running after it.
                wait = (f"({command}) & "
                        "for i in $(seq 120); do "
                        "if xdotool search --name '^Velmark$' >/dev/null; then sleep 2; kill -0 $! && exit 0; exit 1; fi; "
                        "kill -0 $! || exit 1; sleep 1; done; exit 1")
                words = ["xvfb-run", "-a", "-s", "-screen 0 800x700x24", "sh", "-c", wait]
                process = subprocess.Popen(words, cwd=root, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                           start_new_session=True)
                try:
                    shown = process.wait(timeout=180) == 0
                except subprocess.TimeoutExpired:
                    shown = False
                stop(process)
                check(shown, f"{name}: `{command}` shows the dialog and keeps it open "
                      f"({time.monotonic() - started:.0f} s)")
            else:
                print(f"     {name}: `{command}`: {how}")
    finally:
        for made in set(os.listdir(root)) - before:
            path = os.path.join(root, made)
            if os.path.isfile(path):
                os.remove(path)


def main():
    parser = argparse.ArgumentParser()
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--check", metavar="ROOT")
    group.add_argument("--run", metavar="ROOT")
    args = parser.parse_args()
    if args.check:
        check_list(os.path.abspath(args.check))
    else:
        run_list(os.path.abspath(args.run))
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
