#!/usr/bin/python3
"""The runtime's stack guard in the device image, run through the CE loader:

- its value is set at start-up from what differs between processes: two
  runs whose clock differs get different values, and neither is 0;
- a test-only image that overruns a local array ends through the guard's
  failure path, TerminateProcess of the current process with the status
  of a stack buffer overrun, and nothing of the program runs after it;
  should TerminateProcess return, the failure path ends in a trap of its
  own instead of going back into the overwritten frame;
- the start-up code that runs before the guard has its value carries no
  guard, and the program's functions with local arrays do.

usage: check_stack_guard.py --qemu QEMU --loader LOADER --elf IMAGE.elf --overrun OVERRUN.exe IMAGE.exe
"""
import argparse
import json
import os
import subprocess
import sys

from elftools.elf.elffile import ELFFile

from checks import check, outcome

CURRENT_PROCESS = 0x42
STATUS_STACK_BUFFER_OVERRUN = 0xC0000409


def symbols_of(path):
    with open(path, "rb") as f:
        elf = ELFFile(f)
        table = elf.get_section_by_name(".symtab")
        text = elf.get_section_by_name(".text")
        return ({s.name: (s["st_value"], s["st_size"]) for s in table.iter_symbols()},
                text["sh_addr"], text.data())


def session(args, image, *options):
    """The loader's exit status and report; None when it did not end (an
    image that spins)."""
    try:
        done = subprocess.run([args.qemu, "-cpu", "ti925t", args.loader, "session", *options, image],
                              capture_output=True, text=True, timeout=60)
    except subprocess.TimeoutExpired:
        return None, []
    return done.returncode, [json.loads(line) for line in done.stdout.splitlines() if line.startswith("{")]


def main():
    parser = argparse.ArgumentParser()
    for option in ("--qemu", "--loader", "--elf", "--overrun"):
        parser.add_argument(option, required=True)
    parser.add_argument("image")
    args = parser.parse_args()

    overrun_elf = os.path.splitext(args.overrun)[0] + ".elf"
    symbols, _, _ = symbols_of(overrun_elf)
    guard = hex(symbols["__stack_chk_guard"][0])
    values = []
    for ticks in ("1000", "1001"):
        status, events = session(args, args.overrun, "--tick-count", ticks, "--show-word", guard)
        word = next((e["word"] for e in events if "word" in e), None)
        check(status == 0 and word is not None, f"a run within bounds ends normally (status {status}), guard {word}")
        values.append(word)
    check(values[0] != values[1] and "0x00000000" not in values,
          f"the guard differs when the clock does, and is never 0: {values}")

    status, events = session(args, args.overrun, "--command-line", "overrun")
    calls = [e for e in events if "call" in e]
    names = [c["call"] for c in calls]
    check(status == 4 and names and names[-1] == "TerminateProcess" and
          calls[-1]["args"] == [CURRENT_PROCESS, STATUS_STACK_BUFFER_OVERRUN],
          f"the overrun ends the process through TerminateProcess(0x42, 0xC0000409): status {status}, "
          f"last call {calls[-1] if calls else None}")
    check("SetDlgItemTextW" not in names and events and "terminated" in events[-1],
          f"nothing of the program runs after it: {names}")

    status, events = session(args, args.overrun, "--command-line", "overrun", "--terminate-returns")
    names = [e["call"] for e in events if "call" in e]
    failure_start, failure_size = symbols["__stack_chk_fail"]
    trapped = int(events[-1].get("trapped", "0"), 16) if events else 0
    check(status == 5 and failure_start <= trapped < failure_start + failure_size and names[-1:] == ["TerminateProcess"],
          f"when TerminateProcess returns, the failure path traps at once, in itself (status {status}, "
          f"trap at {trapped:#x}, __stack_chk_fail at {failure_start:#x}), calling nothing more: {names[-2:]}")

    # Which functions check a canary: they branch to the failure path.
    symbols, text_at, code = symbols_of(args.elf)
    failure_path = symbols["__stack_chk_fail"][0]

    def guarded(name):
        start, size = symbols[name]
        for at in range(start, start + size, 4):
            word = int.from_bytes(code[at - text_at:at - text_at + 4], "little")
            if word & 0x0F000000 == 0x0B000000:  # bl, any condition
                offset = (word & 0xFFFFFF) - ((word & 0x800000) << 1)
                if at + 8 + 4 * offset == failure_path:
                    return True
        return False

    check(not guarded("WinMainCRTStartup"), "the start-up, which sets the guard, carries none")
    run_handler = [n for n in symbols if "run_command" in n] or ["_Z16main_dialog_procP6HWND__jjl"]
    check(any(guarded(n) for n in run_handler), f"the Run handler, with its 256-character buffer, is guarded ({run_handler})")
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
