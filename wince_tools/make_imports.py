#!/usr/bin/python3
"""Writes the device image's imports as ARM assembly, from the one list of
imported functions (ports/wince/imports.txt).

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

For each arithmetic helper (a line with "for NAME..."), it also writes a
forwarder under each of GCC's names, in a section of its own, that goes on
to the helper's stub with the arguments as they are (or with the two
operands swapped, for NAME:swapped). The helpers take their operands in
the registers GCC's calls use, so a branch is all the forwarding needs.
Since the forwarders define GCC's names, libgcc's routines for them are
never linked; one of libgcc's that shares an object with a forwarded name
would fail the link as defined twice.

Usage: python3 -m wince_tools.make_imports [--libgcc-arithmetic] IMPORTS.txt IMAGE_BASE OUT.S
  --libgcc-arithmetic: leave the helpers out, so that libgcc's soft-float
  routines do the arithmetic (for a device that lacks a helper).
"""
import argparse
import sys

# How each forwarded call hands its operands on: as they are, or swapped
# (a single in r0 and r1, a double in r0:r1 and r2:r3).
SWAP = {"single": ["mov ip, r0", "mov r0, r1", "mov r1, ip"],
        "double": ["mov ip, r0", "mov r0, r2", "mov r2, ip", "mov ip, r1", "mov r1, r3", "mov r3, ip"]}


class Import:
    def __init__(self, name, wide, forwards):
        self.name, self.wide, self.forwards = name, wide, forwards  # forwards: [(gcc name, swapped)]


def read_imports(path, libgcc_arithmetic=False):
    """[(dll, [Import...]), ...] in the order of first appearance."""
    dlls = {}
    with open(path, encoding="ascii") as listing:
        for number, line in enumerate(listing, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) < 2:
                raise SystemExit(f"{path}:{number}: expected 'DLL NAME [64bit] [for NAME...]', got {line!r}")
            dll, name, rest = fields[0], fields[1], fields[2:]
            wide = bool(rest) and rest[0] == "64bit"
            rest = rest[1:] if wide else rest
            forwards = []
            if rest:
                if rest[0] != "for" or len(rest) < 2:
                    raise SystemExit(f"{path}:{number}: expected 'for NAME...' after {name}, got {' '.join(rest)!r}")
                for forwarded in rest[1:]:
                    gcc_name, _, how = forwarded.partition(":")
                    if how not in ("", "swapped"):
                        raise SystemExit(f"{path}:{number}: {forwarded}: the only way of forwarding is ':swapped'")
                    forwards.append((gcc_name, how == "swapped"))
            if forwards and libgcc_arithmetic:
                continue
            imports = dlls.setdefault(dll.lower(), [])
            if name in [i.name for i in imports]:
                raise SystemExit(f"{path}:{number}: {name} is listed twice")
            imports.append(Import(name, wide, forwards))
    if not dlls:
        raise SystemExit(f"{path}: no imports")
    return list(dlls.items())


def label(dll):
    return dll.replace(".", "_")


def forwarders(imports):
    out = []
    for _, functions in imports:
        for function in functions:
            kind = "double" if function.wide else "single"
            for gcc_name, swapped in function.forwards:
                out += ["", f"\t.section .text.forward.{gcc_name},\"ax\",%progbits", "\t.balign 4",
                        f"\t.global {gcc_name}", f"\t.type {gcc_name}, %function", f"{gcc_name}:"]
                out += [f"\t{step}" for step in (SWAP[kind] if swapped else [])]
                out += [f"\tb {function.name}", f"\t.size {gcc_name}, . - {gcc_name}"]
    return out


def assembly(imports, image_base):
    rva = f" - {image_base:#x}"
    names_of = {dll: [f.name for f in functions] for dll, functions in imports}
    out = ["@ Made by wince_tools/make_imports.py from the image's import list.",
           "\t.syntax unified", "\t.arm", ""]
    out += ["\t.section .text.imports,\"ax\",%progbits", "\t.balign 4"]
    for dll, _ in imports:
        for name in names_of[dll]:
            out += [f"\t.global {name}", f"\t.type {name}, %function", f"{name}:",
                    "\tldr ip, 1f", "\tldr ip, [ip]", "\tbx ip",
                    f"1:\t.word __imp_{name}", f"\t.size {name}, . - {name}"]
    out += forwarders(imports)
    out += ["", "\t.section .idata,\"aw\",%progbits", "\t.balign 4",
            "\t.global __import_directory", "__import_directory:"]
    for dll, _ in imports:
        d = label(dll)
        out.append(f"\t.word lookup_{d}{rva}, 0, 0, name_{d}{rva}, slots_{d}{rva}")
    out += ["\t.word 0, 0, 0, 0, 0", "\t.global __import_directory_end",
            "__import_directory_end:"]
    for dll, _ in imports:
        out.append(f"lookup_{label(dll)}:")
        out += [f"\t.word hint_{name}{rva}" for name in names_of[dll]]
        out.append("\t.word 0")
    out += ["\t.global __import_slots", "__import_slots:"]
    for dll, _ in imports:
        out.append(f"slots_{label(dll)}:")
        for name in names_of[dll]:
            out += [f"\t.global __imp_{name}", f"__imp_{name}:", f"\t.word hint_{name}{rva}"]
        out.append("\t.word 0")
    out += ["\t.global __import_slots_end", "__import_slots_end:"]
    for dll, _ in imports:
        for name in names_of[dll]:
            out += ["\t.balign 2", f"hint_{name}:", "\t.hword 0", f"\t.asciz \"{name}\""]
    for dll, _ in imports:
        out += [f"name_{label(dll)}:", f"\t.asciz \"{dll}\""]
    out.append("\t.balign 4")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(prog="make_imports", description=__doc__.splitlines()[0])
    parser.add_argument("--libgcc-arithmetic", action="store_true",
                        help="forward no arithmetic to coredll's helpers: libgcc's own are linked")
    parser.add_argument("imports", help="the import list (ports/wince/imports.txt)")
    parser.add_argument("image_base", type=lambda text: int(text, 0), help="the image's base address")
    parser.add_argument("output", help="the assembly file to write")
    args = parser.parse_args()
    text = assembly(read_imports(args.imports, args.libgcc_arithmetic), args.image_base)
    try:
        with open(args.output, "w", encoding="ascii") as out:
            out.write(text)
    except OSError as error:
        sys.exit(f"make_imports: cannot write {args.output}: {error}")


if __name__ == "__main__":
    main()
