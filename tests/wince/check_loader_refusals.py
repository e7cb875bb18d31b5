#!/usr/bin/python3
"""The CE loader refuses what the device's loader refuses, and an import it
has no function for, instead of running the image with a zero there: each
altered copy of the image must be refused before its entry runs.

Usage: check_loader_refusals.py --qemu QEMU --loader LOADER --subsystem-version MAJOR.MINOR IMAGE.exe
"""
import argparse
import json
import os
import struct
import subprocess
import sys
import tempfile


def patched(image, change):
    data = bytearray(image)
    change(data)
    return bytes(data)


def optional_header(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 24


def set_subsystem_version(data, major, minor):
    struct.pack_into("<HH", data, optional_header(data) + 48, major, minor)


def rename(data, old, new):
    at = data.find(old)
    assert at >= 0 and len(old) == len(new), old
    data[at:at + len(old)] = new


def set_machine(data, machine):
    struct.pack_into("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4, machine)


def cases(major, minor):
    newer = f"{major}.{minor + 1:02}"
    return [
        (f"subsystem version {newer}", lambda d: set_subsystem_version(d, major, minor + 1),
         f"subsystem version {newer} is newer"),
        ("an unknown function", lambda d: rename(d, b"DestroyIcon\0", b"DestroyIcoN\0"),
         "unknown import coredll.dll!DestroyIcoN"),
        ("an unknown DLL", lambda d: rename(d, b"aygshell.dll\0", b"aygshelx.dll\0"),
         "unknown import aygshelx.dll!SHInitExtraControls"),
        ("machine ARMNT", lambda d: set_machine(d, 0x1C4), "machine 0x1c4 is not ARM"),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qemu", required=True)
    parser.add_argument("--loader", required=True)
    parser.add_argument("--subsystem-version", required=True)
    parser.add_argument("image")
    args = parser.parse_args()
    with open(args.image, "rb") as f:
        image = f.read()
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        major, minor = (int(x) for x in args.subsystem_version.split("."))
        for what, change, reason in cases(major, minor):
            path = os.path.join(folder, "Velmark.exe")
            with open(path, "wb") as f:
                f.write(patched(image, change))
            done = subprocess.run([args.qemu, "-cpu", "ti925t", args.loader, "session", path],
                                  capture_output=True, text=True, timeout=120)
            events = [json.loads(line) for line in done.stdout.splitlines()]
            ok = done.returncode == 2 and len(events) == 1 and reason in events[0].get("refused", "")
            print(("ok   " if ok else "FAIL ") + f"{what}: refused before the entry runs ({done.stdout.strip()})")
            failed += not ok
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
