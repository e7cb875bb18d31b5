#!/usr/bin/python3
"""What the page takes from the C++ sources, so that a change of either is
one edit there: the dialog's texts (the tall template's caption and
controls in the resource script: the name line, the date line, the
instruction and Run; the waiting message and the result's format in
shell/dialog_texts.h), the shape of the timing table's used columns
(engine/workspace.h) and the run's operation count (engine/benchmark_run.cpp),
and the measurement's rules (measure/: the headline's block, the clocks'
tolerances, the coarse bound, the run counts, the known digests, the
problems' codes; host/report.h: the report's schema version). It writes
web/constants.js, which the page and the results' gate read; the test
command runs it with --check.

usage: page_constants.py [--check]
"""
import argparse
import json
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(__file__))


def fail(message):
    sys.exit(f"page_constants.py: {message}")


def template_texts(rc_text, name="DLG_TALL"):
    """The caption and the text of each control of one template, by id."""
    found = re.search(rf"^{name} DIALOG .*?^BEGIN$(.*?)^END$", rc_text, re.M | re.S)
    caption = re.search(rf"^{name} DIALOG .*?^CAPTION \"([^\"]*)\"", rc_text, re.M | re.S)
    if not found or not caption:
        fail(f"no template {name} with a caption in the resource script")
    pairs = re.findall(r'CONTROL\s+"((?:[^"]|"")*)"\s*,\s*(CTL_\w+)', found.group(1))
    controls = {control: text for text, control in pairs}
    return caption.group(1), {control: text.replace('""', '"') for control, text in controls.items()}


def defined_text(header, name):
    """The text of a #define NAME "..." line, C escapes read."""
    found = re.search(rf'^#define {name} "((?:[^"\\]|\\.)*)"$', header, re.M)
    if not found:
        fail(f"no text {name} in the dialog's texts")
    escapes = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", '"': '"'}
    return re.sub(r"\\(.)", lambda m: escapes[m.group(1)], found.group(1))


def enum_values(header, names):
    values = {}
    for name in names:
        found = re.search(rf"\b{name}\s*=\s*(\d+)", header)
        if not found:
            fail(f"no {name} in the engine's workspace header")
        values[name] = int(found.group(1))
    return values


def timing_columns(workspace):
    """The used columns as workspace.h's timing_column_layout and
    timing_column_averaged describe them."""
    v = enum_values(workspace, ["USED_COLUMNS", "COLUMNS_PER_LAYOUT", "LEADING_DIMENSION_LAYOUT1",
                                "LEADING_DIMENSION_LAYOUT2", "COLUMN_AVERAGED_LAYOUT1", "COLUMN_AVERAGED_LAYOUT2"])
    averaged = {v["COLUMN_AVERAGED_LAYOUT1"], v["COLUMN_AVERAGED_LAYOUT2"]}
    return [{"column": k,
             "layout": v["LEADING_DIMENSION_LAYOUT1"] if k < v["COLUMNS_PER_LAYOUT"] else v["LEADING_DIMENSION_LAYOUT2"],
             "kind": "averaged" if k in averaged else "single"} for k in range(v["USED_COLUMNS"])]


# The measurement's constants the page and the gate use, by header: each
# `inline constexpr TYPE kNAME = VALUE;` becomes `export const NAME = VALUE;`.
MEASUREMENT_CONSTANTS = {
    os.path.join("measure", "headline.h"): {"kHeadlineBlockRuns": "HEADLINE_BLOCK_RUNS", "kHeadlineRule": "HEADLINE_RULE",
                                            "kRepeatedHeadlineRule": "REPEATED_HEADLINE_RULE"},
    os.path.join("measure", "machine_state.h"): {
        "kLeastSharedSeconds": "LEAST_SHARED_SECONDS",
        "kStealWarning": "STEAL_WARNING", "kMostStealShare": "MOST_STEAL_SHARE",
        "kDescheduledWarning": "DESCHEDULED_WARNING", "kLeastCpuShare": "LEAST_CPU_SHARE",
        "kClockFellWarning": "CLOCK_FELL_WARNING", "kLeastClockAfterToBefore": "LEAST_CLOCK_AFTER_TO_BEFORE",
        "kOthersBusyWarning": "OTHERS_BUSY_WARNING", "kMostOthersBusyShare": "MOST_OTHERS_BUSY_SHARE",
        "kRateFellWarning": "RATE_FELL_WARNING", "kLeastLastToFirstThird": "LEAST_LAST_TO_FIRST_THIRD"},
    os.path.join("measure", "clock_check.h"): {"kClockTolerance": "CLOCK_TOLERANCE",
                                               "kClockCheckResolution": "CLOCK_CHECK_RESOLUTION",
                                               "kCoarseHeadline": "COARSE_HEADLINE"},
    os.path.join("measure", "run_statistics.h"): {"kMinRunsInBudget": "MIN_RUNS_IN_BUDGET", "kMaxRuns": "MAX_RUNS",
                                                  "kSteadyMedianToBest": "STEADY_MEDIAN_TO_BEST"},
    os.path.join("measure", "time_judgement.h"): {"kClockCheckTooShort": "CLOCK_CHECK_TOO_SHORT",
                                                  "kClocksDisagree": "CLOCKS_DISAGREE",
                                                  "kHeadlineNotARate": "HEADLINE_NOT_A_RATE"},
    os.path.join("measure", "solution_check.h"): {"kKnownSolutionDigest": "KNOWN_SOLUTION_DIGEST",
                                                  "kKnownRunDigest": "KNOWN_RUN_DIGEST",
                                                  "kKnownSolutionResidual": "KNOWN_SOLUTION_RESIDUAL",
                                                  "kKnownSolutionMaxError": "KNOWN_SOLUTION_MAX_ERROR"},
    os.path.join("host", "options.h"): {"kDefaultBudgetSeconds": "DEFAULT_BUDGET_SECONDS",
                                        "kDefaultProcesses": "DEFAULT_PROCESSES", "kMaxProcesses": "MAX_PROCESSES"},
    os.path.join("host", "report.h"): {"kReportSchemaVersion": "SCHEMA_VERSION"},
}


def constant_value(header, name):
    """A constant's value as JavaScript: a number, a digest's text, a string."""
    found = re.search(rf"^inline constexpr [\w:* ]*?\b{name} = (.+?);$", header, re.M)
    if not found:
        fail(f"no constant {name}")
    value = found.group(1).strip()
    digest = re.fullmatch(r"0x([0-9a-fA-F]{16})ULL", value)
    if digest:
        return json.dumps("0x" + digest.group(1).lower())
    if re.fullmatch(r'"[^"\\]*"', value) or re.fullmatch(r"-?\d+(\.\d+)?([eE]-?\d+)?", value):
        return value
    fail(f"{name} is {value}: not a plain number or text")


def measurement_constants(root):
    lines = []
    for header, names in MEASUREMENT_CONSTANTS.items():
        text = read(os.path.join(root, header))
        lines += [f"export const {js} = {constant_value(text, cpp)};  // {header}" for cpp, js in names.items()]
    found = re.search(r'^extern "C" const double ops = ([\d.]+);$', read(os.path.join(root, "engine", "benchmark_run.cpp")), re.M)
    if not found:
        fail("no operation count in engine/benchmark_run.cpp")
    lines.append(f"export const OPS = {found.group(1)};  // engine/benchmark_run.cpp")
    return lines


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except OSError as error:
        fail(f"cannot read the device's sources: {error}")


def module_text(root):
    caption, controls = template_texts(read(os.path.join(root, "shell", "resources", "velmark.rc")))
    texts_header = read(os.path.join(root, "shell", "dialog_texts.h"))
    columns = timing_columns(read(os.path.join(root, "engine", "workspace.h")))
    texts = {
        "CAPTION": caption,
        "NAME_LINE": controls.get("CTL_NAME"),
        "DATE_LINE": controls.get("CTL_DATE"),
        "INSTRUCTION": controls.get("CTL_STATUS"),
        "RUN": controls.get("CTL_RUN"),
        "WAITING": defined_text(texts_header, "VM_WAITING_MESSAGE"),
        "RESULT_FORMAT": defined_text(texts_header, "VM_RESULT_FORMAT"),
    }
    missing = [name for name, text in texts.items() if text is None]
    if missing:
        fail(f"the resource script has no text for {', '.join(missing)}")
    lines = ["// What the page takes from the C++ sources: the dialog's texts, as the",
             "// device shows them, the timing table's used columns, and the",
             "// measurement's rules. Made by tools/page_constants.py from",
             "// shell/resources/velmark.rc, shell/dialog_texts.h, engine/ and the",
             "// headers of measure/ and host/ named beside each. Do not edit; run the tool.", ""]
    lines += [f"export const {name} = {json.dumps(text, ensure_ascii=False)};" for name, text in texts.items()]
    lines += ["", "// Each used column of the timing table: its layout (leading dimension) and kind.",
              "export const TIMING_COLUMNS = ["]
    lines += [f"  {{ column: {c['column']}, layout: {c['layout']}, kind: '{c['kind']}' }}," for c in columns]
    lines += ["];", "", "// The measurement's rules."]
    lines += measurement_constants(root)
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description="Writes what the page takes from the device's sources.")
    parser.add_argument("--output", default=os.path.join(ROOT, "web", "constants.js"))
    parser.add_argument("--check", action="store_true", help="write nothing; fail when the file is not current")
    args = parser.parse_args()
    text = module_text(ROOT)
    if args.check:
        try:
            with open(args.output, encoding="utf-8") as f:
                current = f.read() == text
        except OSError:
            current = False
        if not current:
            print(f"page_constants.py: {args.output} is not what the device's sources give: "
                  "run tools/page_constants.py and commit it", file=sys.stderr)
        print(f"{int(current)} passed, {int(not current)} failed")
        return 0 if current else 1
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    print(f"{args.output}: the dialog's texts and the timing table's columns")
    return 0


if __name__ == "__main__":
    sys.exit(main())
