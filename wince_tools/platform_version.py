"""The platform's version numbers as the build gives them: 'MAJOR.MINOR'
(5.01 is the subsystem version the image is marked with, and the oldest
system the cab installs on)."""


def parse_version(text):
    """'5.01' -> (5, 1)."""
    major, _, minor = text.partition(".")
    if not (major.isdigit() and minor.isdigit()):
        raise SystemExit(f"a version is MAJOR.MINOR, not {text!r}")
    return int(major), int(minor)
