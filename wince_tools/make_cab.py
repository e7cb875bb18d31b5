#!/usr/bin/python3
"""Writes the device program's installer cab, laid out as the platform's
own cab tool (CabWiz) lays out its cabs: an uncompressed MS-CAB
(cab_container.py) whose first member is the .000 installer header, then
each installed file under its numbered member name, then _setup.xml, the
provisioning form of the same installation.

Both forms come from one description (ports/wince/install-layout.json):
the application and its provider, the install folder, the files and the
shortcuts; the oldest system it installs on is the one the image is built
for (the build's subsystem version). Every member gets the same fixed time
stamp (the commit's), so two builds of one commit give the same bytes.

Usage: python3 -m wince_tools.make_cab LAYOUT.json --os-version-min MAJOR.MINOR --file NAME=PATH...
                   (--time SECONDS | --time-file FILE) OUT.cab
(the build writes the commit's time into FILE: cmake/write_commit_time.cmake)
"""
import argparse
import json
import os
import re
import struct
from xml.sax.saxutils import quoteattr

from wince_tools.cab_container import cabinet, padded
from wince_tools.platform_version import parse_version

PROCESSOR_ANY = 0            # what CabWiz writes for these devices: no processor warning
FILE_PLAIN_COPY = 0          # the file flags CabWiz writes for a file copied as it is
LINK_TO_FILE = 1
HEADER_SIZE = 100


def member_base(name):
    """CabWiz's member base name: up to 8 characters, short ones padded
    with leading zeros to 8."""
    base = os.path.splitext(name)[0]
    return base.rjust(8, "0") if len(base) <= 8 else base[:8]


class Layout:
    """The description, resolved: directories, files with their member
    names, and shortcuts with their base folder number and target file."""

    def __init__(self, description, os_min):
        self.application = description["application"]
        self.provider = description["provider"]
        self.install_dir = description["install_dir"]
        self.os_min, self.os_max = os_min, description["os_version_max"]
        self.build_min, self.build_max = description["build_min"], description["build_max"]
        self.header_member = member_base(self.application) + ".000"
        self.directories = []   # folder paths as the installer reads them, e.g. %CE1%\Velmark
        self.files = []         # (name, folder, member)
        for number, f in enumerate(description["files"], 1):
            folder = f["directory"].replace("%InstallDir%", self.install_dir)
            if folder not in self.directories:
                self.directories.append(folder)
            self.files.append((f["name"], folder, f"{member_base(f['name'])}.{number:03d}"))
        names = [name for name, _, _ in self.files]
        self.shortcuts = []     # (file name, folder macro, %CEn% number, target file name)
        for s in description["shortcuts"]:
            macro = re.fullmatch(r"%CE(\d+)%", s["directory"])
            if not macro:
                raise SystemExit(f"shortcut {s['name']}: its folder must be a %CEn% folder")
            if s["target"] not in names:
                raise SystemExit(f"shortcut {s['name']}: {s['target']} is not an installed file")
            self.shortcuts.append((s["name"] + ".lnk", s["directory"], int(macro.group(1)), s["target"]))


def installer_header(layout):
    """The .000 file: the fixed header, the application name and the
    provider, the unsupported-platforms list (empty), then the six tables
    (no registry)."""
    strings = []
    for text in layout.directories + [name for name, _, _, _ in layout.shortcuts]:
        if text not in strings:
            strings.append(text)
    string_id = {text: i for i, text in enumerate(strings, 1)}
    directory_id = {folder: i for i, folder in enumerate(layout.directories, 1)}
    file_id = {name: i for i, (name, _, _) in enumerate(layout.files, 1)}

    tables = []
    tables.append(b"".join(struct.pack("<HH", string_id[t], len(padded(t))) + padded(t) for t in strings))
    tables.append(b"".join(struct.pack("<HHHH", directory_id[d], 4, string_id[d], 0) for d in layout.directories))
    tables.append(b"".join(struct.pack("<HHHIH", file_id[name], directory_id[folder], file_id[name],
                                       FILE_PLAIN_COPY, len(padded(name))) + padded(name)
                           for name, folder, _ in layout.files))
    tables.append(b"")  # registry hives
    tables.append(b"")  # registry keys
    tables.append(b"".join(struct.pack("<HHHHHHH", i, 0, base, file_id[target], LINK_TO_FILE, 2, string_id[name])
                           for i, (name, _, base, target) in enumerate(layout.shortcuts, 1)))
    counts = [len(strings), len(layout.directories), len(layout.files), 0, 0, len(layout.shortcuts)]

    body, texts = bytearray(), []
    for text in (layout.application, layout.provider):
        texts.append((HEADER_SIZE + len(body), len(text) + 1))
        body += padded(text)
    unsupported = (HEADER_SIZE + len(body), 0)
    offsets = []
    for table in tables:
        offsets.append(HEADER_SIZE + len(body))
        body += table
    length = HEADER_SIZE + len(body)
    header = struct.pack("<4sIIIII", b"MSCE", 0, length, 0, 1, PROCESSOR_ANY)
    header += struct.pack("<6I", layout.os_min[0], layout.os_min[1], layout.os_max[0], layout.os_max[1],
                          layout.build_min, layout.build_max)
    header += struct.pack("<6H", *counts) + struct.pack("<6I", *offsets)
    header += struct.pack("<6H", *texts[0], *texts[1], *unsupported)
    header += struct.pack("<HH", 0, 0)
    assert len(header) == HEADER_SIZE
    return header + bytes(body)


def setup_xml(layout):
    """_setup.xml: the same installation as a provisioning document, as the
    tool writes it: one element a line, unindented, CRLF line ends, an empty
    Registry characteristic, and the build numbers as signed 32-bit ones."""
    def parm(name, value, translated=False):
        extra = ' translation="install"' if translated else ""
        return f'<parm name="{name}" value={quoteattr(str(value))}{extra} />'

    def signed(number):
        return number - (1 << 32) if number >= 1 << 31 else number

    lines = ['<wap-provisioningdoc>', '<characteristic type="Install">',
             parm("InstallPhase", "install"),
             parm("OSVersionMin", f"{layout.os_min[0]}.{layout.os_min[1]}"),
             parm("OSVersionMax", f"{layout.os_max[0]}.{layout.os_max[1]}"),
             parm("BuildNumberMin", signed(layout.build_min)),
             parm("BuildNumberMax", signed(layout.build_max)),
             parm("AppName", f"{layout.provider} {layout.application}"),
             parm("InstallDir", layout.install_dir, True),
             parm("NumDirs", len(layout.directories)),
             parm("NumFiles", len(layout.files)),
             parm("NumRegKeys", 0),
             parm("NumRegVals", 0),
             parm("NumShortcuts", len(layout.shortcuts)),
             '</characteristic>', '<characteristic type="FileOperation">']
    for folder in layout.directories:
        macro = "%InstallDir%" if folder == layout.install_dir else folder
        lines += [f'<characteristic type={quoteattr(macro)} translation="install">',
                  '<characteristic type="MakeDir" />']
        for name, where, member in layout.files:
            if where == folder:
                lines += [f'<characteristic type={quoteattr(name)} translation="install">',
                          '<characteristic type="Extract">', parm("Source", member),
                          '</characteristic>', '</characteristic>']
        lines.append('</characteristic>')
    installed = {name: where for name, where, _ in layout.files}
    for name, macro, _, target in layout.shortcuts:
        target_folder = installed[target]
        source_folder = "%InstallDir%" if target_folder == layout.install_dir else target_folder
        lines += [f'<characteristic type={quoteattr(macro)} translation="install">',
                  '<characteristic type="MakeDir" />',
                  f'<characteristic type={quoteattr(name)} translation="install">',
                  '<characteristic type="Shortcut">', parm("Source", f"{source_folder}\\{target}", True),
                  '</characteristic>', '</characteristic>', '</characteristic>']
    lines += ['</characteristic>', '<characteristic type="Registry" />', '</wap-provisioningdoc>']
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def read_time(path):
    try:
        with open(path, encoding="ascii") as f:
            return int(f.read().strip())
    except (OSError, ValueError) as error:
        raise SystemExit(f"no time stamp in {path}: {error}")


def main():
    parser = argparse.ArgumentParser(prog="make_cab", description=__doc__.splitlines()[0])
    parser.add_argument("layout")
    parser.add_argument("--os-version-min", required=True, type=parse_version,
                        help="the oldest system version it installs on: the image's subsystem version")
    parser.add_argument("--file", action="append", default=[], metavar="NAME=PATH")
    when = parser.add_mutually_exclusive_group(required=True)
    when.add_argument("--time", type=int, help="the members' time stamp, in seconds since 1970")
    when.add_argument("--time-file", help="a file that holds the time stamp, in seconds since 1970")
    parser.add_argument("output")
    args = parser.parse_args()
    with open(args.layout, encoding="utf-8") as f:
        layout = Layout(json.load(f), args.os_version_min)
    stamp = args.time if args.time is not None else read_time(args.time_file)
    built = dict(item.split("=", 1) for item in args.file)
    missing = [name for name, _, _ in layout.files if name not in built]
    if missing:
        raise SystemExit(f"no --file for {', '.join(missing)}")

    members = [(layout.header_member, installer_header(layout))]
    for name, _, member in layout.files:
        with open(built[name], "rb") as f:
            members.append((member, f.read()))
    members.append(("_setup.xml", setup_xml(layout)))
    data = cabinet(members, layout.application, layout.provider, stamp)
    try:
        with open(args.output, "wb") as f:
            f.write(data)
    except OSError as error:
        raise SystemExit(f"cannot write {args.output}: {error}")


if __name__ == "__main__":
    main()
