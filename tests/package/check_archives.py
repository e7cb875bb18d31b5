#!/usr/bin/python3
"""Tests the release archives as a user would use them: each one is
unpacked into an empty folder, holds just the programs and the documents
(no path of the machine that built it), and its unpacked velmark runs on its
platform (natively, under qemu or under wine) and validates the solution,
with one digest on all four. The Windows archive's Velmark.exe is also
started under wine and Xvfb and clicked until it shows its result line, and
the device archive's Velmark.exe is run through the CE loader under qemu-arm.

usage: check_archives.py DIST SOURCE_DIR WIN32_BUILD_DIR WM5_BUILD_DIR
       check_archives.py --self-test   (the checks' own rules, on made-up input)
"""
import filecmp
import glob
import json
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import zipfile

from checks import check, outcome


def case_clashes(paths):
    """Paths that one of the others equals when case is ignored: on Windows
    (and a Mac) unpacking keeps only one of them."""
    seen = {}
    for path in paths:
        seen.setdefault(path.lower(), []).append(path)
    return sorted(p for group in seen.values() if len(group) > 1 for p in group)


def digests_agree(digests, platforms):
    """Every platform gave a digest, and all gave the same one."""
    values = [digests.get(p) for p in platforms]
    return all(v is not None for v in values) and len(set(values)) == 1


def readme_promise(readme_text, platform):
    """What the README's table promises of the platform's archive: "static",
    a minimum glibc version (a tuple), or None when the row says neither."""
    row = re.search(rf"^\| `velmark-[^`]*-{re.escape(platform)}\.[a-z.]+` \|([^|]*)\|", readme_text, re.M)
    if not row:
        return None
    if "(static)" in row.group(1):
        return "static"
    version = re.search(r"glibc (\d+)\.(\d+) or newer", row.group(1))
    return (int(version.group(1)), int(version.group(2))) if version else None


def glibc_needed(path):
    """What a Linux program needs of the C library: "static" when it loads
    no library, else the highest GLIBC_ symbol version it references."""
    from elftools.elf.elffile import ELFFile
    with open(path, "rb") as f:
        elf = ELFFile(f)
        if not any(segment["p_type"] == "PT_INTERP" for segment in elf.iter_segments()):
            return "static"
        needed = [(0, 0)]
        for section in elf.iter_sections():
            if section["sh_type"] == "SHT_GNU_verneed":
                for _, auxiliaries in section.iter_versions():
                    for aux in auxiliaries:
                        found = re.fullmatch(r"GLIBC_(\d+)\.(\d+)(?:\.\d+)?", aux.name)
                        if found:
                            needed.append((int(found.group(1)), int(found.group(2))))
        return max(needed)


def kept(promise, needed):
    """Whether a program that needs `needed` keeps the README's promise."""
    return needed == "static" or (isinstance(promise, tuple) and needed <= promise)


def broken_links(markdown_path):
    """Relative links of a Markdown file whose target is not beside it."""
    with open(markdown_path, encoding="utf-8") as f:
        text = f.read()
    folder = os.path.dirname(markdown_path)
    targets = re.findall(r"\]\(([^)#\s]+)\)", text)
    return sorted({t for t in targets if "://" not in t and not os.path.exists(os.path.join(folder, t))})


if sys.argv[1:] == ["--self-test"]:
    ok = (case_clashes(["v/bin/Velmark.exe", "v/bin/velmark.exe", "v/README.md"]) ==
          ["v/bin/Velmark.exe", "v/bin/velmark.exe"] and case_clashes(["a", "b"]) == [] and
          not digests_agree({"x": None, "y": None}, ["x", "y"]) and
          not digests_agree({"x": "0x1"}, ["x", "y"]) and not digests_agree({"x": "0x1", "y": "0x2"}, ["x", "y"])
          and digests_agree({"x": "0x1", "y": "0x1"}, ["x", "y"]))
    table = ("| `velmark-1.0-linux-x86_64.tar.gz` | any x86-64 Linux with glibc 2.34 or newer |\n"
             "| `velmark-1.0-linux-aarch64.tar.gz` | any 64-bit ARM Linux (static) |\n")
    ok = ok and (readme_promise(table, "linux-x86_64") == (2, 34) and readme_promise(table, "linux-aarch64") == "static"
                 and readme_promise(table, "linux-armel") is None and kept((2, 34), (2, 34))
                 and not kept((2, 34), (2, 36)) and kept("static", "static") and not kept("static", (2, 17))
                 and not kept(None, (2, 17)))
    with tempfile.TemporaryDirectory() as folder:
        os.mkdir(os.path.join(folder, "docs"))
        open(os.path.join(folder, "docs", "there.md"), "w").close()
        with open(os.path.join(folder, "README.md"), "w") as f:
            f.write("[a](docs/there.md) [b](docs/missing.png) [c](https://example.invalid/x) [d](#anchor)\n")
        ok = ok and broken_links(os.path.join(folder, "README.md")) == ["docs/missing.png"]
    print("1 passed, 0 failed" if ok else "0 passed, 1 failed")
    sys.exit(0 if ok else 1)

dist, source_dir, win32_build, wm5_build = (os.path.abspath(p) for p in sys.argv[1:5])
with open(os.path.join(source_dir, "LICENSE"), "rb") as f:
    LICENCE = f.read()


def licensed(archive, path):
    """The archive carries the project's licence, as the tree has it."""
    return check(member_bytes(archive, path) == LICENCE and b"MIT License" in LICENCE,
                 f"{os.path.basename(archive)}: its {path.split('/', 1)[1]} is the project's MIT licence")


prefix = os.path.join(win32_build, "tests", "wine", "wine-gui-prefix")
wine_env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")

PLATFORMS = {
    "linux-x86_64": ([], "velmark"),
    "linux-aarch64": (["qemu-aarch64"], "velmark"),
    "linux-armel": (["qemu-arm", "-cpu", "arm926"], "velmark"),
    "windows-x86_64": (["wine"], "velmark-runner.exe"),
}


with open(os.path.join(source_dir, "CMakeLists.txt")) as f:
    VERSION = re.search(r"project\(Velmark VERSION ([0-9.]+)", f.read()).group(1)
with open(os.path.join(source_dir, "README.md"), encoding="utf-8") as f:
    README = f.read()
RELEASE_FILES = [f"velmark-{VERSION}-{name}" for name in
                 ("linux-x86_64.tar.gz", "linux-aarch64.tar.gz", "linux-armel.tar.gz", "windows-x86_64.zip",
                  "wm5-armv4i.zip", "wm5-armv4i.cab", "web.zip")]
check(sorted(os.listdir(dist)) == sorted(RELEASE_FILES),
      f"{dist} holds this version's release files and nothing else: {sorted(os.listdir(dist))}")


def archive_of(platform):
    """The platform's archive of this version (the device's cab beside it is no archive)."""
    found = [p for p in glob.glob(os.path.join(dist, f"velmark-{VERSION}-{platform}.*")) if not p.endswith(".cab")]
    return found[0] if len(found) == 1 else None


def members(archive):
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as z:
            return [i.filename for i in z.infolist() if not i.is_dir()]
    with tarfile.open(archive) as t:
        return [m.name for m in t.getmembers() if m.isfile()]


def member_bytes(archive, path):
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as z:
            return z.read(path) if path in z.namelist() else None
    with tarfile.open(archive) as t:
        try:
            return t.extractfile(path).read()
        except KeyError:
            return None


def unpack(archive, folder):
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as z:
            z.extractall(folder)
    else:
        with tarfile.open(archive) as t:
            t.extractall(folder)


def no_build_paths(name, folder, files):
    leaks = []
    for path in files:
        with open(os.path.join(folder, path), "rb") as f:
            data = f.read()
        for machine_path in (source_dir, os.path.dirname(source_dir) + "/"):
            if machine_path.encode() in data:
                leaks.append(f"{path} holds {machine_path}")
    check(not leaks, f"{name}: no path of the build machine inside ({'; '.join(leaks)})")


def top_folder(archive):
    name = os.path.basename(archive)
    return name[: -len(".zip")] if name.endswith(".zip") else name[: -len(".tar.gz")]


digests = {}
for platform, (emulator, runner_name) in PLATFORMS.items():
    archive = archive_of(platform)
    if not check(archive is not None, f"{platform}: an archive is in {dist}"):
        continue
    name, top = os.path.basename(archive), top_folder(archive)
    files = members(archive)
    docs = [f for f in os.listdir(os.path.join(source_dir, "docs")) if f.endswith((".md", ".png"))]
    expected = {top + "/bin/" + runner_name, top + "/share/doc/velmark/README.md", top + "/share/doc/velmark/LICENSE",
                top + "/share/doc/velmark/results/README.md"}
    expected |= {top + "/share/doc/velmark/docs/" + f for f in docs}
    if platform.startswith("windows"):
        expected.add(top + "/bin/Velmark.exe")
    else:
        expected.add(top + "/share/man/man1/velmark.1")
    check(set(files) == expected,
          f"{name}: holds exactly {sorted(expected)} (extra: {sorted(set(files) - expected)})")
    licensed(archive, top + "/share/doc/velmark/LICENSE")
    clashes = case_clashes(files)
    check(not clashes, f"{name}: no two paths differ in case alone ({', '.join(clashes)})")
    with tempfile.TemporaryDirectory() as folder:
        unpack(archive, folder)
        no_build_paths(name, folder, files)
        broken = broken_links(os.path.join(folder, top, "share", "doc", "velmark", "README.md"))
        check(not broken, f"{name}: every link of the README is beside it ({', '.join(broken)})")

        runner = os.path.join(folder, top, "bin", runner_name)
        if platform.startswith("linux"):
            promise, needed = readme_promise(README, platform), glibc_needed(runner)
            check(kept(promise, needed), f"{name}: the runner needs {needed} of the C library, which the README's "
                  f"promise ({promise}) covers")
        # One process: each build's own tests measure in several; here the
        # point is that the unpacked file runs (eight under qemu take 45 s).
        run = subprocess.run(emulator + [runner, "--processes", "1", "--runs", "3", "--json"], capture_output=True,
                             text=True, timeout=300, cwd=folder, env=wine_env if emulator == ["wine"] else None)
        try:
            report = json.loads(run.stdout)
        except ValueError:
            report = {}
        check(run.returncode == 0 and report.get("validation", {}).get("validated") is True,
              "%s: the unpacked runner validates the solution (status %d) %s"
              % (name, run.returncode, run.stderr.strip()))
        check(report.get("build", {}).get("platform") == platform,
              f"{name}: the report names its build: {report.get('build', {}).get('platform')}")
        digests[platform] = report.get("validation", {}).get("digest")

        if platform.startswith("windows"):
            gui = subprocess.run(
                [sys.executable, os.path.join(source_dir, "tests", "wine", "run_gui_test.py"), "--prefix", prefix,
                 "dialog", "--exe", os.path.join(folder, top, "bin", "Velmark.exe"),
                 "--probe", os.path.join(win32_build, "tests", "wine", "ui_probe.exe"), "--screen", "480x640",
                 "--shots", os.path.join(folder, "shots")], capture_output=True, text=True, timeout=400)
            print(gui.stdout)
            check(gui.returncode == 0 and "a real click on Run shows 'CPU performance" in gui.stdout,
                  f"{name}: the unpacked Velmark.exe shows a result line under wine")

check(digests_agree(digests, PLATFORMS), f"one solution digest on all four: {digests}")

# The device archive: the program and its text, run through the CE loader.
archive = archive_of("wm5-armv4i")
if check(archive is not None and archive.endswith(".zip"), f"wm5-armv4i: a zip archive is in {dist}"):
    name, top = os.path.basename(archive), top_folder(archive)
    files = members(archive)
    cab_name = top + ".cab"
    expected = {top + "/Velmark.exe", top + "/INSTALL-ON-DEVICE.txt", top + "/" + cab_name, top + "/LICENSE"}
    check(set(files) == expected and not case_clashes(files),
          f"{name}: holds exactly {sorted(expected)} (is {sorted(files)})")
    licensed(archive, top + "/LICENSE")
    with tempfile.TemporaryDirectory() as folder:
        unpack(archive, folder)
        no_build_paths(name, folder, files)
        # The cab: in the archive, as a release file of its own, and as the
        # build made and checked it, the same bytes; it installs the same
        # program as the archive holds.
        packed, alone = os.path.join(folder, top, cab_name), os.path.join(dist, cab_name)
        built = os.path.join(wm5_build, "ports", "wince", cab_name)
        same = all(os.path.exists(p) and filecmp.cmp(p, built, shallow=False) for p in (packed, alone))
        check(same, f"{name}: the cab inside, the cab in {dist} and the build's are one")
        cab = subprocess.run(
            ["/usr/bin/python3", os.path.join(source_dir, "tests", "wince", "check_cab.py"), "--cab", packed,
             "--exe", os.path.join(folder, top, "Velmark.exe"), "--readme", os.path.join(source_dir, "docs", "device.md"),
             "--layout", os.path.join(source_dir, "ports", "wince", "install-layout.json"),
             "--time-file", os.path.join(wm5_build, "ports", "wince", "commit-time.txt")],
            capture_output=True, text=True, timeout=400)
        print("\n".join(line for line in cab.stdout.splitlines() if not line.startswith("ok")))
        check(cab.returncode == 0, "%s: its cab installs its Velmark.exe and the shortcut %s"
              % (name, cab.stderr.strip()[-300:]))
        port = os.path.join(wm5_build, "ports", "wince")
        run = subprocess.run(
            ["/usr/bin/python3", os.path.join(source_dir, "tests", "wince", "check_image_run.py"),
             "--qemu", "qemu-arm", "--cpu", "ti925t", "--loader", os.path.join(wm5_build, "celoader", "ce_loader"),
             "--host-answer", os.path.join(wm5_build, "tests", "wince", "scripted_run_answer"),
             "--elf", os.path.join(port, "Velmark.elf"),
             os.path.join(folder, top, "Velmark.exe")], capture_output=True, text=True, timeout=400)
        print("\n".join(line for line in run.stdout.splitlines() if not line.startswith("ok")))
        check(run.returncode == 0, f"{name}: the unpacked Velmark.exe runs through the CE loader on ARMv4T, "
              "shows the host engine's line and solves to the known digests")
# The web archive: the page's files, served and run in the browser.
archive = archive_of("web")
if check(archive is not None, f"web: a zip archive is in {dist}"):
    name, top = os.path.basename(archive), top_folder(archive)
    files = members(archive)
    page = ["index.html", "style.css", "app.js", "worker.js", "engine.js", "measure.js", "report.js",
            "build-info.json", "HEADERS.txt", "velmark.ico", "velmark.wasm", "velmark-simd.wasm",
            "coi-serviceworker.js", "coi-serviceworker.LICENSE.txt", "result_check.js", "standing.js", "constants.js",
            "results-table.json", "run_statistics.js", "result_validator.js", "bounded_json.js", "LICENSE",
            "results.html", "results_page.js", "results_view.js", "entry_check.js", "machine_state.js", "repetition.js"]
    check(set(files) == {top + "/" + f for f in page}, f"{name}: holds exactly the page's files (is {sorted(files)})")
    licensed(archive, top + "/LICENSE")
    with tempfile.TemporaryDirectory() as folder:
        unpack(archive, folder)
        no_build_paths(name, folder, files)
        with open(os.path.join(folder, top, "HEADERS.txt")) as note:
            headers = note.read()
        check("Cross-Origin-Opener-Policy: same-origin" in headers and "Cross-Origin-Embedder-Policy: require-corp" in headers,
              f"{name}: its note names the two headers a web host must send")
        run = subprocess.run(["node", os.path.join(source_dir, "tests", "web", "check_page.mjs"), "--site",
                              os.path.join(folder, top), "--quick"], capture_output=True, text=True, timeout=400)
        print("\n".join(line for line in run.stdout.splitlines() if not line.startswith("ok")))
        check(run.returncode == 0, f"{name}: served as it unpacks, the page runs in chromium and validates")
sys.exit(outcome())
