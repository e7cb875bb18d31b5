#!/usr/bin/python3
"""The page's copy of the device dialog's texts, made from the device's own
sources: the tall template's caption and controls in the resource script
(the name line, the date line, the instruction and Run), and the waiting
message and the result's format in the dialog's code. It writes
web/dialog_texts.js, which the page shows them from; the test command runs
it with --check, so that a change of a device text is one edit.

usage: dialog_texts.py [--rc RC] [--source CPP] [--output JS] [--check]
"""
import argparse
import json
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def fail(message):
    sys.exit(f"dialog_texts.py: {message}")


def template_texts(rc_text, name="DLG_TALL"):
    """The caption and the text of each control of one template, by id."""
    found = re.search(rf"^{name} DIALOG .*?^BEGIN$(.*?)^END$", rc_text, re.M | re.S)
    caption = re.search(rf"^{name} DIALOG .*?^CAPTION \"([^\"]*)\"", rc_text, re.M | re.S)
    if not found or not caption:
        fail(f"no template {name} with a caption in the resource script")
    controls = dict((control, text) for text, control in
                    re.findall(r'CONTROL\s+"((?:[^"]|"")*)"\s*,\s*(CTL_\w+)', found.group(1)))
    return caption.group(1), {control: text.replace('""', '"') for control, text in controls.items()}


def wide_string(source, name):
    """A WCHAR array's text: its L"..." pieces joined, C escapes read."""
    found = re.search(rf"\b{name}\[\]\s*=\s*((?:\s*L\"(?:[^\"\\]|\\.)*\")+)\s*;", source)
    if not found:
        fail(f"no wide string {name} in the dialog's code")
    pieces = re.findall(r'L"((?:[^"\\]|\\.)*)"', found.group(1))
    escapes = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", '"': '"'}
    return "".join(re.sub(r"\\(.)", lambda m: escapes[m.group(1)], piece) for piece in pieces)


def module_text(rc_path, source_path):
    with open(rc_path, encoding="utf-8") as f:
        caption, controls = template_texts(f.read())
    with open(source_path, encoding="utf-8") as f:
        source = f.read()
    texts = {
        "CAPTION": caption,
        "NAME_LINE": controls.get("CTL_NAME"),
        "DATE_LINE": controls.get("CTL_DATE"),
        "INSTRUCTION": controls.get("CTL_STATUS"),
        "RUN": controls.get("CTL_RUN"),
        "WAITING": wide_string(source, "kWaitingMessage"),
        "RESULT_FORMAT": wide_string(source, "kResultFormat"),
    }
    missing = [name for name, text in texts.items() if text is None]
    if missing:
        fail(f"the resource script has no text for {', '.join(missing)}")
    lines = ["// The device dialog's texts, as the device shows them: made by",
             "// tools/dialog_texts.py from shell/resources/velmark.rc and",
             "// shell/main_dialog.cpp. Do not edit; run the tool.", ""]
    lines += [f"export const {name} = {json.dumps(text, ensure_ascii=False)};" for name, text in texts.items()]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description="Writes the page's copy of the device dialog's texts.")
    parser.add_argument("--rc", default=os.path.join(ROOT, "shell", "resources", "velmark.rc"))
    parser.add_argument("--source", default=os.path.join(ROOT, "shell", "main_dialog.cpp"))
    parser.add_argument("--output", default=os.path.join(ROOT, "web", "dialog_texts.js"))
    parser.add_argument("--check", action="store_true", help="write nothing; fail when the file is not current")
    args = parser.parse_args()
    try:
        text = module_text(args.rc, args.source)
    except OSError as error:
        fail(f"cannot read the device's sources: {error}")
    if args.check:
        try:
            with open(args.output, encoding="utf-8") as f:
                current = f.read() == text
        except OSError:
            current = False
        if not current:
            print(f"dialog_texts.py: {args.output} is not what the device's sources give: "
                  "run tools/dialog_texts.py and commit it", file=sys.stderr)
        print(f"{int(current)} passed, {int(not current)} failed")
        return 0 if current else 1
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    print(f"{args.output}: the dialog's texts")
    return 0


if __name__ == "__main__":
    sys.exit(main())
