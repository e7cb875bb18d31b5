#!/usr/bin/python3
"""Checks the device program's installer cab as a device and the desktop's
tools would read it:

- the container, by cabextract and gcab: exactly the expected members, the
  .000 first, stored, at offset 0 of folder 0 with MSCE at the folder's
  data start, and the installed Velmark.exe byte for byte the built one;
- the .000, by the reader in installer_header.py: lengths, counts,
  offsets, padding and ids, the application and provider the README
  names, versions that take WM5 and its successors without a warning;
- _setup.xml: its counts agree with the .000, its sources are members,
  its shortcut points at the installed program;
- an install simulated twice, once from the .000 and once from _setup.xml,
  into empty folders standing for the device: both give the same tree;
- a second run of the cab step, elsewhere and in another time zone, gives
  the same bytes.

usage: check_cab.py --cab CAB --exe Velmark.exe --readme README.md
                    --make-cab make_cab.py --layout LAYOUT.json --time-file COMMIT_TIME
"""
import argparse
import filecmp
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import installer_header
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import check, outcome

# Where the %CEn% folders are on a Pocket PC.
FOLDERS = {1: "Program Files", 2: "Windows", 11: "Windows/Start Menu/Programs", 17: "Windows/Start Menu"}
EXPECTED_MEMBERS = ["0Velmark.000", "0Velmark.001", "_setup.xml"]
WM6 = (5, 2)          # Windows Mobile 6 and 6.5 report OS 5.2 and run WM5 programs
NO_WARNING_BUILD_MAX = 0xE0000000


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=120, **kwargs)


# ---- the container ----

def cab_folders_and_files(data):
    """The folders (data start, compression) and the files (name, folder,
    offset in folder) of an MS-CAB, from its CFHEADER, CFFOLDER and CFFILE
    records."""
    signature, _, _, _, files_at, _, _, _, folders, files, flags = struct.unpack_from("<4sIIIIIBBHHH", data, 0)
    if signature != b"MSCF":
        raise ValueError("no MSCF signature")
    at = 36
    folder_reserve = 0
    if flags & 0x4:
        header_reserve, folder_reserve, _ = struct.unpack_from("<HBB", data, at)
        at += 4 + header_reserve
    found_folders = []
    for _ in range(folders):
        start, _, compression = struct.unpack_from("<IHH", data, at)
        found_folders.append((start, compression & 0xF))
        at += 8 + folder_reserve
    found_files, at = [], files_at
    for _ in range(files):
        _, offset, folder = struct.unpack_from("<IIH", data, at)
        end = data.index(b"\0", at + 16)
        found_files.append((data[at + 16:end].decode("ascii"), folder, offset))
        at = end + 1
    return found_folders, found_files


def check_container(cab, exe, members_dir):
    tested = run(["cabextract", "-t", cab])
    check(tested.returncode == 0 and "All done, no errors" in tested.stdout, "cabextract -t reads the cab without error")
    listed = [line.split("|")[-1].strip() for line in run(["cabextract", "-l", cab]).stdout.splitlines()
              if line.count("|") == 2 and "Name" not in line]
    check(listed == EXPECTED_MEMBERS, f"cabextract lists exactly {EXPECTED_MEMBERS} (lists {listed})")
    gcab_listed = [line.split()[0] for line in run(["gcab", "-l", cab]).stdout.splitlines() if line.strip()]
    check(gcab_listed == EXPECTED_MEMBERS, f"gcab lists the same members ({gcab_listed})")
    with open(cab, "rb") as f:
        data = f.read()
    folders, files = cab_folders_and_files(data)
    first = files[0] if files else ("", -1, -1)
    check(first[0].endswith(".000") and first[1] == 0 and first[2] == 0,
          f"the .000 is the first member, at offset 0 of folder 0: {first}")
    check(folders and folders[0][1] == 0, f"folder 0 is stored, not compressed (type {folders[0][1] if folders else None})")
    check(folders and data[folders[0][0] + 8:folders[0][0] + 12] == b"MSCE",
          "MSCE sits at folder 0's data start: the cab is recognised as installable")
    extracted = run(["cabextract", "-q", "-d", members_dir, cab])
    check(extracted.returncode == 0, "cabextract extracts every member")
    installed = os.path.join(members_dir, "0Velmark.001")
    check(os.path.exists(installed) and filecmp.cmp(installed, exe, shallow=False),
          "the cab's Velmark.exe is byte for byte the built one")


# ---- the two forms of the installation ----

def readme_names(readme):
    with open(readme, encoding="utf-8") as f:
        found = re.search(r'the provider "([^"]+)", the application "([^"]+)"', " ".join(f.read().split()))
    return (found.group(1), found.group(2)) if found else (None, None)


def check_header(header_path, readme):
    with open(header_path, "rb") as f:
        data = f.read()
    try:
        header = installer_header.read(data)
    except installer_header.Malformed as wrong:
        check(False, f"the .000 reads as the installer reads it: {wrong}")
        return None
    check(True, "the .000 reads as the installer reads it: length, counts, offsets, padding and ids")
    provider, application = readme_names(readme)
    check((header.provider, header.application) == (provider, application),
          f"provider {header.provider!r} and application {header.application!r}, as the README says "
          f"({provider!r}, {application!r})")
    check(header.os_min <= (5, 1) and header.os_max >= WM6,
          f"OS {header.os_min[0]}.{header.os_min[1]} to {header.os_max[0]}.{header.os_max[1]} takes WM5 (5.1) "
          f"and WM6 (5.2)")
    check(header.build_max >= NO_WARNING_BUILD_MAX,
          f"build maximum {header.build_max:#x}: no 'may not display properly' warning")
    check(header.processor in (0, 2577), f"processor {header.processor}: any, or the ARM family")
    return header


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
    check(install.get("OSVersionMin") == "%d.%d" % header.os_min and
          install.get("OSVersionMax") == "%d.%d" % header.os_max, "and so do its OS versions")
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
        write_shortcut(root, base, link["name"] + ".lnk", placed[link["target"]])


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
    with open(exe, "rb") as f:
        program = f.read()
    expected = {"Program Files/Velmark/Velmark.exe": program,
                "Windows/Start Menu/Programs/Velmark.lnk": b'36#"\\Program Files\\Velmark\\Velmark.exe"'}
    check(first == expected, f"installed from the .000: {sorted(first)}")
    check(second == expected, f"installed from _setup.xml: {sorted(second)}")


def check_reproducible(args, work):
    again = os.path.join(work, "again.cab")
    done = run([sys.executable, args.make_cab, args.layout, "--file", f"Velmark.exe={args.exe}",
                "--time-file", args.time_file, again], cwd=work, env=dict(os.environ, TZ="Pacific/Kiritimati"))
    check(done.returncode == 0 and filecmp.cmp(again, args.cab, shallow=False),
          f"a second run of the cab step, elsewhere and in another time zone, gives the same bytes {done.stderr.strip()}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cab", "--exe", "--readme", "--make-cab", "--layout", "--time-file"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    for option in ("cab", "exe", "readme", "make_cab", "layout", "time_file"):
        setattr(args, option, os.path.abspath(getattr(args, option)))
    with tempfile.TemporaryDirectory() as work:
        members = os.path.join(work, "members")
        check_container(args.cab, args.exe, members)
        header = check_header(os.path.join(members, "0Velmark.000"), args.readme)
        document = setup_document(os.path.join(members, "_setup.xml"))
        if header is not None:
            check_setup_xml(document, header)
            try:
                check_installs(header, document, members, args.exe, work)
            except (OSError, KeyError) as wrong:
                check(False, f"the simulated install runs to its end: {wrong!r}")
        check_reproducible(args, work)
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
