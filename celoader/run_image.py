#!/usr/bin/python3
"""Runs the device image Velmark.exe here, through the CE loader under
qemu-arm on one processor model, and reads what the loader reports: every
platform call and dialog step of its fixed session, one JSON object a line
(init, a resize on a tall and on a wide screen, Run, OK), or the digests of
the image's own solve.

Run as a program, it runs the session once with the real clock and prints
the result line. That figure is qemu's speed on this machine with the
loader's arithmetic helpers, an emulated figure, not a device result.

usage: run_image.py --qemu QEMU --cpu CPU --loader LOADER IMAGE.exe
"""
import argparse
import json
import subprocess
import sys


class LoaderError(Exception):
    """The loader did not run to a readable report."""


def run(command, timeout=300):
    try:
        done = subprocess.run(command, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise LoaderError(f"{' '.join(command)} did not end within {timeout} s")
    return done.returncode, done.stdout, done.stderr


def code_range(elf_path):
    """The image's code, from its ELF: where an alignment check looks."""
    from elftools.elf.elffile import ELFFile
    with open(elf_path, "rb") as f:
        text = ELFFile(f).get_section_by_name(".text")
        return text["sh_addr"], text["sh_addr"] + text["sh_size"]


def qemu_command(qemu, cpu, alignment_plugin=None, elf=None):
    """qemu-arm on the processor model; with the alignment plugin, an
    unaligned halfword or word access by the image's code ends the run."""
    command = [qemu, "-cpu", cpu]
    if alignment_plugin:
        low, high = code_range(elf)
        command += ["-plugin", f"{alignment_plugin},low={low:#x},high={high:#x}"]
    return command


def events_of(out):
    events = []
    for line in out.splitlines():
        try:
            events.append(json.loads(line))
        except json.JSONDecodeError:
            raise LoaderError(f"the loader's report is not one JSON object a line: {line!r}")
    return events


def session(qemu, loader, image, options=()):
    """The loader's session: (exit status, events, standard error)."""
    status, out, err = run(qemu + [loader, "session", *options, image])
    return status, events_of(out), err


def engine(qemu, loader, image, elf):
    """The image's own generator, factorisation and solve, for both jobs:
    (exit status, {job: event}, standard error)."""
    from elftools.elf.elffile import ELFFile
    with open(elf, "rb") as f:
        symbols = {s.name: s["st_value"] for s in ELFFile(f).get_section_by_name(".symtab").iter_symbols()}
    addresses = [hex(symbols[name]) for name in ("make_matrix", "lu_factor", "lu_solve")]
    status, out, err = run(qemu + [loader, "engine", image, *addresses])
    return status, {event.get("job"): event for event in events_of(out)}, err


def result_lines(events):
    """What the image formatted: its result lines."""
    return [e["text"] for e in events if e.get("call") == "_snwprintf"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--qemu", "--cpu", "--loader"):
        parser.add_argument(option, required=True)
    parser.add_argument("image")
    args = parser.parse_args()
    try:
        status, events, err = session([args.qemu, "-cpu", args.cpu], args.loader, args.image, ["--real-clock"])
    except LoaderError as error:
        print(error, file=sys.stderr)
        return 1
    lines = result_lines(events)
    if status != 0 or len(lines) != 1:
        print(f"the image did not run to its end (status {status}) {err.strip()}", file=sys.stderr)
        return 1
    print(f"emulated figure, qemu-arm -cpu {args.cpu} on this machine (not a device result): {lines[0]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
