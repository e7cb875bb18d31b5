#!/usr/bin/python3
"""Checks the device program's installer cab as a device and the desktop's
tools would read it, and against the layout of the platform's own cab
tool's cabs:

- the container, read byte by byte by cab_reader.py: the reserve the tool
  writes (flags 0x0004, no header or data reserve, a folder reserve of 20
  bytes and the two names, folder 0's naming the application and the
  provider, every other one as long and zero), a nonzero set id, one
  uncompressed folder per member in the tool's order, every data block's
  checksum, MSCE at folder 0's data start;
- the same cab read by cabextract, gcab and 7-Zip: the same members, each
  byte for byte the same, the installed Velmark.exe the built one;
- the .000, by the reader in installer_header.py: lengths, counts,
  offsets, padding and ids, the names first and the tables after them, the
  application and provider the install page (docs/device.md) names, versions that take WM5 and
  its successors without a warning and start where the image's subsystem
  version does, plain-copy file flags, shortcuts to files named *.lnk;
- _setup.xml: written as the tool writes it (unindented, CRLF, an empty
  Registry characteristic, signed build numbers), its counts and versions
  agree with the .000, its sources are members, its shortcut points at the
  installed program;
- an install simulated twice, once from the .000 and once from _setup.xml,
  into empty folders standing for the device: both give the same tree;
- a second run of the cab step, elsewhere and in another time zone, gives
  the same bytes.

usage: check_cab.py --cab CAB --exe Velmark.exe --readme docs/device.md
                    --layout LAYOUT.json --time-file COMMIT_TIME
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import cab_reader
import installer_header
from checks import check, outcome

# Where the %CEn% folders are on a Pocket PC.
FOLDERS = {1: "Program Files", 2: "Windows", 11: "Windows/Start Menu/Programs", 17: "Windows/Start Menu"}
EXPECTED_MEMBERS = ["0Velmark.000", "0Velmark.001", "_setup.xml"]
WM5, WM6 = (5, 1), (5, 2)   # Windows Mobile 6 and 6.5 report OS 5.2 and run WM5 programs
NO_WARNING_BUILD_MAX = 0xE0000000
PLAIN_COPY = 0               # the file flags the tool writes for a file copied as it is
LINK_TO_FILE = 1


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, **kwargs)


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def subsystem_version(exe):
    """The image's subsystem version, from its optional header."""
    data = read_file(exe)
    optional = struct.unpack_from("<I", data, 0x3C)[0] + 24
    return struct.unpack_from("<HH", data, optional + 48)


def padded(text):
    data = text.encode("ascii") + b"\0"
    return data + bytes(-len(data) % 4)


# ---- the container ----

def check_layout(cab, application, provider):
    """The fields the platform's cab tool writes in every cab it makes."""
    check(cab.flags == cab_reader.FLAG_RESERVE, f"header flags {cab.flags:#06x}: a reserve, nothing else")
    names = padded(application) + padded(provider)
    check((cab.header_reserve_size, cab.folder_reserve_size, cab.data_reserve_size) == (0, 20 + len(names), 0),
          f"no header or data reserve, a folder reserve of 20 bytes and the names ({len(names)}): "
          f"{(cab.header_reserve_size, cab.folder_reserve_size, cab.data_reserve_size)}")
    name_at = 8 + 20
    words = (0, name_at, len(padded(application)), name_at + len(padded(application)), len(padded(provider)))
    reserve = cab.folders[0]["reserve"] if cab.folders else b""
    check(reserve[:20] == struct.pack("<5I", *words) and reserve[20:] == names,
          f"folder 0's reserve: the words {words}, then {application!r} and {provider!r}, "
          f"each NUL-terminated and padded to 4 (is {reserve!r})")
    others = [f["reserve"] for f in cab.folders[1:]]
    check(all(r == bytes(len(reserve)) for r in others), "every other folder's reserve is as long and zero")
    check(cab.set_id != 0, f"a nonzero set id ({cab.set_id})")
    check([f["name"] for f in cab.files] == EXPECTED_MEMBERS, f"the members in the tool's order: "
          f"{[f['name'] for f in cab.files]}")
    check([(f["folder"], f["offset"]) for f in cab.files] == [(i, 0) for i in range(len(cab.files))]
          and len(cab.folders) == len(cab.files), "one folder per member, each member at its folder's start")
    check(all(f["checksums_right"] for f in cab.folders), "every data block's checksum is right")


def listed_by_readers(cab_path):
    """The members each of the three readers lists."""
    cabextract = [line.split("|")[-1].strip() for line in run(["cabextract", "-l", cab_path]).stdout.splitlines()
                  if line.count("|") == 2 and "Name" not in line]
    gcab = [line.split()[0] for line in run(["gcab", "-l", cab_path]).stdout.splitlines() if line.strip()]
    sevenzip = [line[53:].strip() for line in run(["7zz", "l", cab_path]).stdout.splitlines()
                if re.match(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S{5} ", line)]
    return {"cabextract": cabextract, "gcab": gcab, "7-Zip": sevenzip}


def extract_with_readers(cab_path, work):
    """{reader: folder it extracted every member into}, each checked to end well."""
    commands = {"cabextract": ["cabextract", "-q", "-d", "{}", cab_path],
                "gcab": ["gcab", "-x", "-C", "{}", cab_path],
                "7-Zip": ["7zz", "x", "-y", "-o{}", cab_path]}
    folders = {}
    for reader, command in commands.items():
        folder = os.path.join(work, "by-" + reader)
        os.makedirs(folder)
        done = run([part.replace("{}", folder) for part in command])
        check(done.returncode == 0, f"{reader} extracts the cab (status {done.returncode}) {done.stderr.strip()}")
        folders[reader] = folder
    return folders


def check_container(cab_path, exe, work):
    """The container, by our reader and by the three others; returns the
    folder of the members as our reader reads them."""
    try:
        cab = cab_reader.read(read_file(cab_path))
    except cab_reader.Malformed as wrong:
        check(False, f"the cab reads as an MS-CAB: {wrong}")
        return None
    members = {f["name"]: f["data"] for f in cab.files}
    header = members.get(EXPECTED_MEMBERS[0], b"")
    try:
        names = installer_header.read(header)
        check_layout(cab, names.application, names.provider)
    except installer_header.Malformed as wrong:
        check(False, f"the .000 names the application and the provider: {wrong}")
    check(cab.folders and header[:4] == b"MSCE", "MSCE sits at folder 0's data start: the cab is recognised as installable")
    check(members.get("0Velmark.001") == read_file(exe), "the cab's Velmark.exe is byte for byte the built one")

    tested = run(["cabextract", "-t", cab_path])
    check(tested.returncode == 0 and "All done, no errors" in tested.stdout,
          "cabextract -t reads the cab without error, checksums included")
    for reader, listed in listed_by_readers(cab_path).items():
        check(listed == EXPECTED_MEMBERS, f"{reader} lists exactly {EXPECTED_MEMBERS} (lists {listed})")
    extracted = extract_with_readers(cab_path, work)
    for reader, folder in extracted.items():
        got = {name: read_file(os.path.join(folder, name)) for name in os.listdir(folder)}
        check(got == members, f"{reader} extracts the same members, byte for byte: {sorted(got)}")
    read_members = os.path.join(work, "members")
    os.makedirs(read_members)
    for name, data in members.items():
        with open(os.path.join(read_members, name), "wb") as f:
            f.write(data)
    return read_members


# ---- the two forms of the installation ----

def readme_names(readme):
    with open(readme, encoding="utf-8") as f:
        found = re.search(r'the provider "([^"]+)", the application "([^"]+)"', " ".join(f.read().split()))
    return (found.group(1), found.group(2)) if found else (None, None)


def check_header(header_path, readme, exe):
    data = read_file(header_path)
    try:
        header = installer_header.read(data)
    except installer_header.Malformed as wrong:
        check(False, f"the .000 reads as the installer reads it: {wrong}")
        return None
    # The reader checked every length, offset, padding and id as it went;
    # what it read must also account for the whole file and every count.
    check(header.length == len(data) and
          [len(header.strings), len(header.directories), len(header.files), 0, 0, len(header.links)] ==
          list(header.counts[:6]),
          f"the .000 reads as the installer reads it: {header.length} bytes, counts {list(header.counts)}")
    provider, application = readme_names(readme)
    check((header.provider, header.application) == (provider, application),
          f"provider {header.provider!r} and application {header.application!r}, as docs/device.md says "
          f"({provider!r}, {application!r})")
    name_end = 100 + len(padded(header.application))
    names_end = name_end + len(padded(header.provider))
    expected = [(100, len(header.application) + 1), (name_end, len(header.provider) + 1), (names_end, 0)]
    check(header.text_spans == expected and min(header.table_offsets) == names_end,
          f"the application name and the provider right after the fixed part, then the empty "
          f"unsupported-platforms list, then the tables: {header.text_spans}, tables from {min(header.table_offsets)}")
    image = subsystem_version(exe)
    check(header.os_min == image, f"the oldest system it installs on, {header.os_min[0]}.{header.os_min[1]}, is the "
          f"image's subsystem version {image[0]}.{image[1]:02}: it installs only where the image loads")
    check(header.os_min <= WM5 and header.os_max >= WM6,
          f"OS {header.os_min[0]}.{header.os_min[1]} to {header.os_max[0]}.{header.os_max[1]} takes WM5 (5.1) "
          f"and WM6 (5.2)")
    check(header.build_max >= NO_WARNING_BUILD_MAX,
          f"build maximum {header.build_max:#x}: no 'may not display properly' warning")
    check(header.processor in (0, 2577), f"processor {header.processor}: any, or the ARM family")
    flags = [entry["flags"] for entry in header.files.values()]
    check(flags and all(f == PLAIN_COPY for f in flags), f"every file's flags are the tool's plain copy, 0: {flags}")
    links = [(link["name"], link["kind"]) for link in header.links.values()]
    check(links and all(name.endswith(".lnk") and kind == LINK_TO_FILE for name, kind in links),
          f"every shortcut is to a file and its name ends in .lnk: {links}")
    return header


def check_setup_text(path, header):
    """_setup.xml as the tool writes it."""
    text = read_file(path).decode("utf-8")
    lines = text.split("\r\n")
    check(text.endswith("\r\n") and "\n" not in text.replace("\r\n", ""), "_setup.xml ends every line with CRLF")
    check(all(line == line.lstrip() for line in lines), "_setup.xml is not indented")
    document = ElementTree.fromstring(text)
    registry = characteristic(document, "Registry")
    check(registry is not None and len(registry) == 0, "_setup.xml has a Registry characteristic, empty")
    install = parms(characteristic(document, "Install"))
    signed = header.build_max - (1 << 32) if header.build_max >= 1 << 31 else header.build_max
    check(install.get("BuildNumberMax") == str(signed),
          f"BuildNumberMax is the .000's {header.build_max:#x} as a signed number, {signed}: "
          f"{install.get('BuildNumberMax')}")


def setup_document(path):
    root = ElementTree.parse(path).getroot()
    check(root.tag == "wap-provisioningdoc", "_setup.xml is a provisioning document")
    return root


def characteristic(parent, kind):
    return next((c for c in parent.findall("characteristic") if c.get("type") == kind), None)


def parms(element):
    return {p.get("name"): p.get("value") for p in element.findall("parm")}


def check_setup_xml(document, header):
    install = parms(characteristic(document, "Install"))
    counts = {"NumDirs": len(header.directories), "NumFiles": len(header.files), "NumRegKeys": header.counts[3],
              "NumRegVals": header.counts[4], "NumShortcuts": len(header.links)}
    check(all(install.get(k) == str(v) for k, v in counts.items()),
          f"_setup.xml's Install counts agree with the .000: {counts} ({install})")
    (min_major, min_minor), (max_major, max_minor) = header.os_min, header.os_max
    check(install.get("OSVersionMin") == f"{min_major}.{min_minor}" and
          install.get("OSVersionMax") == f"{max_major}.{max_minor}", "and so do its OS versions")
    check(install.get("AppName") == f"{header.provider} {header.application}", f"AppName {install.get('AppName')!r}")
    sources = [parms(e).get("Source") for e in document.iter("characteristic") if e.get("type") == "Extract"]
    check(sources and all(s in EXPECTED_MEMBERS for s in sources), f"every Extract Source is a member: {sources}")
    shortcuts = [parms(e).get("Source") for e in document.iter("characteristic") if e.get("type") == "Shortcut"]
    check(shortcuts == ["%InstallDir%\\Velmark.exe"], f"the shortcut's Source is the installed program: {shortcuts}")


# ---- the simulated installs ----

def expand(path, install_dir=None):
    """A device path with its macros, as a relative path of the folder that
    stands for the device's file system."""
    if install_dir is not None:
        path = path.replace("%InstallDir%", install_dir)
    path = re.sub(r"%CE(\d+)%", lambda m: FOLDERS[int(m.group(1))].replace("/", "\\"), path)
    return path.strip("\\").replace("\\", "/")


def write_shortcut(root, folder, name, target):
    """The platform's shortcut: the count of the characters after '#', '#',
    then the target's device path in double quotes."""
    quoted = '"\\' + target.replace("/", "\\") + '"'
    os.makedirs(os.path.join(root, folder), exist_ok=True)
    with open(os.path.join(root, folder, name), "w", encoding="ascii", newline="") as f:
        f.write(f"{len(quoted)}#{quoted}")


def install_from_header(header, members_dir, root):
    members = {int(m.rsplit(".", 1)[1]): m for m in os.listdir(members_dir) if re.search(r"\.\d{3}$", m)}
    placed = {}
    for fid, entry in header.files.items():
        folder = expand(header.directories[entry["directory"]])
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        shutil.copyfile(os.path.join(members_dir, members[entry["number"]]), os.path.join(root, folder, entry["name"]))
        placed[fid] = f"{folder}/{entry['name']}"
    for link in header.links.values():
        base = FOLDERS[link["base"]] if link["base"] else expand(next(iter(header.directories.values())))
        # A shortcut of kind 0 points at a directory, which then opens.
        target = placed[link["target"]] if link["kind"] == LINK_TO_FILE else \
            expand(header.directories[link["target"]])
        write_shortcut(root, base, link["name"], target)


def install_from_setup_xml(document, members_dir, root):
    install_dir = parms(characteristic(document, "Install"))["InstallDir"]
    for folder in characteristic(document, "FileOperation").findall("characteristic"):
        where = expand(folder.get("type"), install_dir)
        for item in folder.findall("characteristic"):
            if item.get("type") == "MakeDir":
                os.makedirs(os.path.join(root, where), exist_ok=True)
            for action in item.findall("characteristic"):
                source = parms(action).get("Source", "")
                if action.get("type") == "Extract":
                    shutil.copyfile(os.path.join(members_dir, source), os.path.join(root, where, item.get("type")))
                elif action.get("type") == "Shortcut":
                    write_shortcut(root, where, item.get("type"), expand(source, install_dir))


def tree(root):
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


def check_installs(header, document, members_dir, exe, work):
    by_header, by_xml = os.path.join(work, "device-000"), os.path.join(work, "device-xml")
    os.makedirs(by_header)
    os.makedirs(by_xml)
    install_from_header(header, members_dir, by_header)
    install_from_setup_xml(document, members_dir, by_xml)
    first, second = tree(by_header), tree(by_xml)
    expected = {"Program Files/Velmark/Velmark.exe": read_file(exe),
                "Windows/Start Menu/Programs/Velmark.lnk": b'36#"\\Program Files\\Velmark\\Velmark.exe"'}
    check(first == expected, f"installed from the .000: {sorted(first)}")
    check(second == expected, f"installed from _setup.xml: {sorted(second)}")


def check_reproducible(args, work):
    again = os.path.join(work, "again.cab")
    major, minor = subsystem_version(args.exe)
    version = f"{major}.{minor:02d}"
    done = run([sys.executable, "-m", "wince_tools.make_cab", args.layout, "--os-version-min", version,
                "--file", f"Velmark.exe={args.exe}", "--time-file", args.time_file, again],
               cwd=work, env=dict(os.environ, TZ="Pacific/Kiritimati"))
    check(done.returncode == 0 and read_file(again) == read_file(args.cab),
          f"a second run of the cab step, elsewhere and in another time zone, gives the same bytes {done.stderr.strip()}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cab", "--exe", "--readme", "--layout", "--time-file"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    for option in ("cab", "exe", "readme", "layout", "time_file"):
        setattr(args, option, os.path.abspath(getattr(args, option)))
    with tempfile.TemporaryDirectory() as work:
        members = check_container(args.cab, args.exe, work)
        if members is None:
            return outcome()
        header = check_header(os.path.join(members, "0Velmark.000"), args.readme, args.exe)
        document = setup_document(os.path.join(members, "_setup.xml"))
        if header is not None:
            check_setup_text(os.path.join(members, "_setup.xml"), header)
            check_setup_xml(document, header)
            try:
                check_installs(header, document, members, args.exe, work)
            except (OSError, KeyError) as wrong:
                check(False, f"the simulated install runs to its end: {wrong!r}")
        check_reproducible(args, work)
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
