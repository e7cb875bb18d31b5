"""What the device's checks report: one line a check, "ok" or "FAIL" and
what was checked, then the count of failures, and the exit status."""

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)
    return ok


def outcome(status=0):
    """1 when a check failed, else status."""
    if failures:
        print(f"{len(failures)} failed")
        return 1
    return status
