#!/usr/bin/python3
"""Runs the device image itself through the CE loader under qemu-arm on one
processor model (celoader/run_image.py drives it) and checks what
it did: the start-up calls, the full-screen dialog, both layouts, the Run
command with exactly the result line that the host engine gives for the
same scripted ticks, OK, and the entry's 0. Then the image's own generator,
factorisation and solve on the order-100 system, for both jobs, against the
known solution digests.

Usage: check_image_run.py --qemu QEMU --cpu CPU --loader LOADER
                          --host-answer PROGRAM --elf IMAGE.elf [--arithmetic platform|libgcc]
                          [--alignment-plugin PLUGIN] IMAGE.exe
With the alignment plugin, an unaligned halfword or word access made by the
image's code fails the run, as it faults on the device.
"""
import argparse
import json
import subprocess
import sys

import run_image
from checks import check, outcome

INSTANCE = 0x400000          # the handle the loader passes, not the image base
DIALOG = 0x100
SOLUTION_DIGEST = "0x49fc1a1a7a570778"             # job 0
TRANSPOSED_SOLUTION_DIGEST = "0xef59d7aef59b6e77"  # job 1
WAITING = ("Running the benchmark... expected duration under 60 seconds.\r\n\r\n"
           "Velmark loads the CPU so please be patient and do not operate the device "
           "until this message changes.")
INSTRUCTION = "Tap the Run button to start Velmark benchmark measuring CPU performance."

# The templates' rectangles (x, y, width, height in dialog units) as the
# double's MapDialogRect converts them: 2 pixels a unit across, 3 down.
TALL = {201: (12, 12, 20, 20), 202: (12, 36, 137, 8), 203: (12, 48, 137, 8),
        204: (12, 64, 137, 58), 1000: (99, 14, 50, 14)}
WIDE = {201: (12, 12, 20, 20), 202: (48, 12, 92, 8), 203: (48, 24, 84, 8),
        204: (48, 40, 155, 82), 1000: (153, 14, 50, 14)}


# How often one scripted session calls each of coredll's arithmetic helpers,
# from the operations the rules give. One run makes 26 generations,
# factorisations and solves of order 100, and 73 counter reads (the origin,
# then 72 readings, each a 64-bit difference and the frequency converted to
# single and divided).
RUNS, READINGS = 26, 72
FACTOR_AXPY = sum(m * m for m in range(1, 100))   # elements: column k updates n-k-1 columns of n-k-1
SOLVE_AXPY = 2 * sum(range(1, 100))               # forward and back, job 0
AXPY_CALLS = sum(range(1, 100)) + 99 + 100        # a factorisation's, then a solve's (back step 0 included)
SCAL = sum(range(1, 100))                          # elements, one call for each of 99 columns
IAMAX = sum(range(1, 101)) - 1 + sum(range(1, 100))  # widened elements past the first, and maxima compared
GENERATED = 100 * 100
NEW_MAXIMA = 315                                   # per factorisation: the data's, not a rule's
AXPY = RUNS * (FACTOR_AXPY + SOLVE_AXPY)
HELPER_CALLS = {
    # row sums; the averaged loop's e + g (20); each column's total (8)
    "__adds": RUNS * GENERATED + 20 + 8,
    # each single measurement's two intervals; each averaged one's ten updates of g,
    # its factorisation interval less g (two) and its solve interval
    "__subs": 6 * 2 + 2 * (10 + 2 + 1),
    "__muls": 1,                                   # the shell's KFLOPS x 0.001
    # t = -1 / pivot: a double division rounded to single, which is exactly the
    # single division of the two singles, and GCC compiles it as that; the back
    # substitution's b(k) / A(k, k); the averaged rows / repetitions (4); each reading's seconds
    "__divs": RUNS * 99 + RUNS * 100 + 4 + READINGS,
    "__addd": AXPY + 1,                            # + the final rounding's half
    "__subd": RUNS * GENERATED,                    # seed - 32768
    "__muld": AXPY + RUNS * SCAL + RUNS * GENERATED + 8,  # + each column's total x 1000
    "__divd": 8,                                   # each column's rate
    # axpy's x and y, its alpha, scal's x and alpha, iamax's magnitudes and
    # maxima; each column's total (8), the final rate, its magnitude and the shell's MFlops
    "__stod": 2 * AXPY + RUNS * AXPY_CALLS + RUNS * SCAL + RUNS * 99 + RUNS * IAMAX + 8 + 3,
    # each element's store; each column's rate (8), the final single; iamax's first
    # maximum (99 a factorisation) and every new one
    "__dtos": AXPY + RUNS * SCAL + RUNS * GENERATED + 8 + 1 + RUNS * (99 + NEW_MAXIMA),
    "__itos": 4 + 1,                               # single(repetitions); the shell's KFLOPS
    "__itod": RUNS * GENERATED,                    # each seed
    "__i64tos": 2 * READINGS,
    "__dtoi": 1,                                   # floor of the rounded rate
}


def pixels(rect):
    x, y, w, h = rect
    return [2 * x, 3 * y, 2 * (x + w), 3 * (y + h)]


def step_events(events, step):
    """The calls made while the message of that step was handled, and the
    message's own event."""
    pending = []  # calls belong to the message event that follows them
    for event in events:
        if "call" in event:
            pending.append(event)
        elif "message" in event:
            if event["step"] == step:
                return pending, event
            pending = []
    return [], None


def controls_after(events, step):
    for event in events:
        if event.get("controls") == step:
            return {c["id"]: c for c in event["state"]}
    return {}


def named(calls, name):
    return [c for c in calls if c["call"] == name]


def check_start_up(events, code):
    calls = [e for e in events if "call" in e]
    names = [c["call"] for c in calls]
    check(names.count("SHInitExtraControls") == 1, "one shell start-up call")
    check(names[:1] == ["GetTickCount"], f"the start-up reads the clock for the stack guard first: {names[:2]}")
    check("TerminateProcess" not in names, "the stack guard's failure path is never taken")
    check("FindResourceW" in names and names.index("SHInitExtraControls") < names.index("FindResourceW"),
          "the shell start-up comes before the template is found")
    first_find = next((c for c in calls if c["call"] == "FindResourceW"), {})
    check(first_find.get("args") == [INSTANCE, 105, 5], f"template 105 of type 5 in the instance: {first_find}")
    dialog = next((c for c in calls if c["call"] == "DialogBoxIndirectParamW"), {})
    args = dialog.get("args", [0] * 5)
    check(args[0] == INSTANCE and args[2] == 0 and args[4] == 0 and code[0] <= args[3] < code[1],
          f"the modal dialog from the instance, no owner, the image's own procedure, value 0: {args}")


def check_dialog(events, expected_line):
    calls, init = step_events(events, "init dialog")
    check(init is not None and init["returned"] == 1, "init dialog returns 1")
    check([c["args"] for c in named(calls, "SHInitDialog")] == [[1, DIALOG, 0x2D]],
          "the dialog is made full screen: {mask 1, the dialog, flags 0x2D}")

    for step, template, rects in (("resize on a tall screen", 105, TALL), ("resize on a wide screen", 106, WIDE)):
        calls, message = step_events(events, step)
        check(message is not None and message["returned"] == 0, f"{step}: returns 0")
        found = [c["args"][1] for c in named(calls, "FindResourceW")]
        check(found == [template], f"{step}: re-laid out from template {template} (found {found})")
        state = controls_after(events, step)
        for control, rect in rects.items():
            got = state.get(control, {}).get("rect")
            check(got == pixels(rect), f"{step}: control {control} at {pixels(rect)} (is {got})")
        check(state.get(204, {}).get("text") == INSTRUCTION, f"{step}: control 204 shows the instruction")

    calls, message = step_events(events, "run")
    check(message is not None and message["returned"] == 0, "run: returns 0")
    order = [(c["call"], c["args"], c["text"]) for c in calls]
    shows = [(i, c[1][1]) for i, c in enumerate(order) if c[0] == "ShowWindow"]
    texts = [(i, c[2]) for i, c in enumerate(order) if c[0] == "SetDlgItemTextW" and c[1][1] == 204]
    prints = [(i, c[1], c[2]) for i, c in enumerate(order) if c[0] == "_snwprintf"]
    paints = [i for i, c in enumerate(order) if c[0] == "DispatchMessageW" and c[1][1] == 0x000F]
    check(len(shows) == 2 and shows[0][1] == 0 and shows[1][1] == 5, f"run: the button hidden, then shown: {shows}")
    check(len(texts) == 2 and texts[0][1] == WAITING and texts[1][1] == expected_line,
          f"run: the waiting message, then the result line: {[t for _, t in texts]}")
    check(len(prints) == 1 and prints[0][1] == [256] and prints[0][2] == expected_line,
          f"run: formatted from the double the platform's way into 256 characters: {prints} "
          f"(the host engine gives {expected_line!r})")
    check(len(paints) == 1 and shows and texts and prints and shows[0][0] < texts[0][0] < paints[0] < prints[0][0]
          < texts[1][0] < shows[1][0], "run: hide, wait message, the pending repaint, print, result, show")
    state = controls_after(events, "run")
    check(state.get(204, {}).get("text") == expected_line and state.get(1000, {}).get("visible") is True,
          "run: control 204 shows the result and the button is visible again")

    calls, message = step_events(events, "ok")
    check(message is not None and message["returned"] == 1 and
          [c["args"] for c in named(calls, "EndDialog")] == [[DIALOG, 1]], "OK ends the dialog with 1")


def check_engine(qemu, args):
    status, results, err = run_image.engine(qemu, args.loader, args.image, args.elf)
    check(status == 0, f"the engine run ends with 0 (is {status}) {err.strip()}")
    check(results.get(0, {}).get("digest") == SOLUTION_DIGEST,
          f"the image's own solve, job 0: digest {results.get(0, {}).get('digest')} (expected {SOLUTION_DIGEST})")
    check(results.get(1, {}).get("digest") == TRANSPOSED_SOLUTION_DIGEST,
          f"the image's own solve, job 1: digest {results.get(1, {}).get('digest')} "
          f"(expected {TRANSPOSED_SOLUTION_DIGEST})")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--qemu", "--cpu", "--loader", "--host-answer", "--elf"):
        parser.add_argument(option, required=True)
    parser.add_argument("--arithmetic", choices=("platform", "libgcc"), default="platform")
    parser.add_argument("--alignment-plugin")
    parser.add_argument("image")
    args = parser.parse_args()

    host = json.loads(subprocess.run([args.host_answer], capture_output=True, text=True, timeout=120).stdout)
    expected_line, reads = host["result_line"], host["reads"]
    qemu = run_image.qemu_command(args.qemu, args.cpu, args.alignment_plugin, args.elf)
    try:
        status, events, err = run_image.session(qemu, args.loader, args.image)
    except run_image.LoaderError as error:
        check(False, str(error))
        return outcome()
    if err.strip():
        print(err.strip())
    end = events[-1] if events else {}
    check(status == 0 and end.get("entry returned") == 0, f"the entry returns 0 and the loader ends with 0: {end}")
    check(end.get("counter reads") == reads, f"{reads} counter reads, as the host engine makes")
    check_start_up(events, run_image.code_range(args.elf))
    check_dialog(events, expected_line)
    counted = next((e["helper calls"] for e in events if "helper calls" in e), {})
    if args.arithmetic == "platform":
        for name, calls in HELPER_CALLS.items():
            check(counted.get(name) == calls, f"{name} called {calls} times (is {counted.get(name)})")
    else:
        check(counted and not any(counted.values()), f"no arithmetic helper called: {counted}")
    check_engine(qemu, args)
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
