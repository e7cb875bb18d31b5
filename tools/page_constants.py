#!/usr/bin/python3
"""What the page takes from the device's own sources, so that a change of
either is one edit there: the dialog's texts (the tall template's caption
and controls in the resource script: the name line, the date line, the
instruction and Run; the waiting message and the result's format in
shell/dialog_texts.h) and the shape of the timing table's used columns
(engine/workspace.h). It writes web/device_constants.js, which the page and
the results' checker read; the test command runs it with --check.

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
    lines = ["// What the page takes from the device's sources: the dialog's texts, as",
             "// the device shows them, and the timing table's used columns. Made by",
             "// tools/page_constants.py from shell/resources/velmark.rc,",
             "// shell/dialog_texts.h and engine/workspace.h. Do not edit; run the tool.", ""]
    lines += [f"export const {name} = {json.dumps(text, ensure_ascii=False)};" for name, text in texts.items()]
    lines += ["", "// Each used column of the timing table: its layout (leading dimension) and kind.",
              "export const TIMING_COLUMNS = ["]
    lines += [f"  {{ column: {c['column']}, layout: {c['layout']}, kind: '{c['kind']}' }}," for c in columns]
    lines += ["];"]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description="Writes what the page takes from the device's sources.")
    parser.add_argument("--output", default=os.path.join(ROOT, "web", "device_constants.js"))
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
