#!/usr/bin/python3
"""The image writer (wince_tools.elf_to_pe) takes the ELF's sections in
address order, whatever order its section table lists them in, and refuses
a gap or an overlap between them, which the device's loader would map
wrongly: each case is the real ELF with one section header changed.

usage: check_image_writer_refusals.py IMAGE.elf RESOURCES.res IMAGE.exe SUBSYSTEM_VERSION
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile

from elftools.elf.elffile import ELFFile

from checks import check, outcome


def section_headers(data):
    """{name: offset of its Elf32_Shdr} of an ELF's bytes."""
    with tempfile.TemporaryFile() as f:
        f.write(data)
        f.seek(0)
        elf = ELFFile(f)
        at, size = elf["e_shoff"], elf["e_shentsize"]
        return {s.name: at + size * i for i, s in enumerate(elf.iter_sections())}


def moved(data, name, by):
    """The ELF with section `name`'s address moved by `by` bytes."""
    out = bytearray(data)
    at = section_headers(data)[name] + 12  # sh_addr
    struct.pack_into("<I", out, at, struct.unpack_from("<I", out, at)[0] + by)
    return bytes(out)


def swapped(data, first, second):
    """The ELF with two section headers exchanged in its table (the
    section-name index stays valid: neither is the name table)."""
    out = bytearray(data)
    headers = section_headers(data)
    a, b = headers[first], headers[second]
    out[a:a + 40], out[b:b + 40] = data[b:b + 40], data[a:a + 40]
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("elf", "res", "exe", "version"):
        parser.add_argument(name)
    args = parser.parse_args()
    elf_path, res, exe, version = args.elf, args.res, args.exe, args.version
    with open(elf_path, "rb") as f:
        elf = f.read()
    with open(exe, "rb") as f:
        built = f.read()
    with tempfile.TemporaryDirectory() as folder:
        def write(data):
            path = os.path.join(folder, "image.elf")
            with open(path, "wb") as f:
                f.write(data)
            out = os.path.join(folder, "image.exe")
            done = subprocess.run([sys.executable, "-m", "wince_tools.elf_to_pe", path, res, out,
                                   "--subsystem-version", version],
                                  capture_output=True, text=True, timeout=120)
            result = open(out, "rb").read() if done.returncode == 0 and os.path.exists(out) else None
            return done.returncode, done.stderr.strip(), result

        status, _, same = write(swapped(elf, ".rdata", ".idata"))
        check(status == 0 and same == built, "sections listed out of address order give the same image")
        for what, data, reason in (
                # The image's data is all zero at load: its .bss starts the data section.
                ("a page left out before the data", moved(elf, ".bss", 0x1000), "a gap between .idata"),
                ("a page left out before .idata", moved(elf, ".idata", 0x1000), "a gap between .rdata"),
                ("the data moved onto .idata", moved(elf, ".bss", -0x1000), "overlaps .idata")):
            status, message, _ = write(data)
            check(status != 0 and reason in message, f"{what} is refused ({message})")
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
