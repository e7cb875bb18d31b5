#!/usr/bin/python3
"""Writes the device image's imports as ARM assembly, from the one list of
imported functions (shell/wince/imports.txt).

For every function it writes a call stub under the function's own name, so
that the compiler's plain `bl Name` reaches it:

    ldr ip, 1f         @ the address of the function's import slot
    ldr ip, [ip]       @ the function's address, written there by the loader
    bx  ip             @ bx, so that a Thumb function in a system DLL works

and the import tables the loader reads, in the section .idata: one
descriptor per DLL (lookup table, name, address table), the lookup and
address tables of hint/name entries, the hint/name entries and the DLL
names. Addresses in the tables are relative to the image base, which the
linker places at __image_base; the same number is given here.

Usage: make_imports.py IMPORTS.txt IMAGE_BASE OUT.S
"""
import sys


def read_imports(path):
    """[(dll, [names...]), ...] in the order of first appearance."""
    dlls = {}
    with open(path, encoding="ascii") as listing:
        for number, line in enumerate(listing, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 2:
                raise SystemExit(f"{path}:{number}: expected 'DLL NAME', got {line!r}")
            dll, name = fields
            names = dlls.setdefault(dll.lower(), [])
            if name in names:
                raise SystemExit(f"{path}:{number}: {name} is listed twice")
            names.append(name)
    if not dlls:
        raise SystemExit(f"{path}: no imports")
    return list(dlls.items())


def label(dll):
    return dll.replace(".", "_")


def assembly(imports, image_base):
    rva = f" - {image_base:#x}"
    out = ["@ Made by tools/wince/make_imports.py from the image's import list.",
           "\t.syntax unified", "\t.arm", ""]
    out += ["\t.section .text.imports,\"ax\",%progbits", "\t.balign 4"]
    for _, names in imports:
        for name in names:
            out += [f"\t.global {name}", f"\t.type {name}, %function", f"{name}:",
                    "\tldr ip, 1f", "\tldr ip, [ip]", "\tbx ip",
                    f"1:\t.word __imp_{name}", f"\t.size {name}, . - {name}"]
    out += ["", "\t.section .idata,\"aw\",%progbits", "\t.balign 4",
            "\t.global __import_directory", "__import_directory:"]
    for dll, _ in imports:
        d = label(dll)
        out.append(f"\t.word lookup_{d}{rva}, 0, 0, name_{d}{rva}, slots_{d}{rva}")
    out += ["\t.word 0, 0, 0, 0, 0", "\t.global __import_directory_end",
            "__import_directory_end:"]
    for dll, names in imports:
        out.append(f"lookup_{label(dll)}:")
        out += [f"\t.word hint_{name}{rva}" for name in names]
        out.append("\t.word 0")
    out += ["\t.global __import_slots", "__import_slots:"]
    for dll, names in imports:
        out.append(f"slots_{label(dll)}:")
        for name in names:
            out += [f"\t.global __imp_{name}", f"__imp_{name}:", f"\t.word hint_{name}{rva}"]
        out.append("\t.word 0")
    out += ["\t.global __import_slots_end", "__import_slots_end:"]
    for _, names in imports:
        for name in names:
            out += ["\t.balign 2", f"hint_{name}:", "\t.hword 0", f"\t.asciz \"{name}\""]
    for dll, _ in imports:
        out += [f"name_{label(dll)}:", f"\t.asciz \"{dll}\""]
    out.append("\t.balign 4")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) != 4:
        raise SystemExit(__doc__)
    text = assembly(read_imports(argv[1]), int(argv[2], 0))
    with open(argv[3], "w", encoding="ascii") as out:
        out.write(text)


if __name__ == "__main__":
    main(sys.argv)
