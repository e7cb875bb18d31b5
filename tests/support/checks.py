"""What every Python check of the tests reports: one line a check, "ok" or
"FAIL" and what was checked, then the counts; outcome() gives the exit
status. A script imports it as `from checks import check, outcome`: the
tests run with this folder on PYTHONPATH (python_tests.cmake), as
scripts/python-test-path.sh gives it for a run by hand.
"""

failures = []
passed = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    (passed if ok else failures).append(what)
    return ok


def outcome(status=0):
    """1 when a check failed, else status."""
    print(f"{len(passed)} passed, {len(failures)} failed")
    return 1 if failures else status
