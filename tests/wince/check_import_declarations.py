#!/usr/bin/python3
"""Every function the device image imports is declared so that GCC's calls
meet the platform's calling standard: word-sized arguments and results
only, since a 64-bit value that GCC's ARM EABI aligns to an even register
or an 8-byte stack slot may sit elsewhere under the platform's rules. The
imports listed as 64bit in the import list are the exceptions: each 64-bit
value among their arguments starts at an even word, where both standards
put it, and a variadic one takes its double as two words (the platform's
layout, made by the header's wrapper).

The declarations are read as the compiler sees them: a file that takes
the address of every import is compiled with the device's flags and
headers, and its debug information gives each declaration's types.

usage: check_import_declarations.py IMPORTS.txt CXX HEADER_FOLDER...
"""
import os
import re
import subprocess
import sys
import tempfile

from elftools.elf.elffile import ELFFile

from checks import check, outcome

HEADERS = ["windows.h", "stdio.h", "math.h", "aygshell.h", "arithmetic_helpers.h"]
FLAGS = ["-marm", "-march=armv4t", "-mfloat-abi=soft", "-fno-short-enums", "-fshort-wchar", "-ffreestanding",
         "-nostdinc", "-g", "-c"]


def read_imports(path):
    """[(name, listed as 64bit)] of the import list."""
    imports = []
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.split("#", 1)[0].split()
            if len(fields) >= 2:
                imports.append((fields[1], len(fields) > 2 and fields[2] == "64bit"))
    return imports


def declared_names(folders, imports):
    """The name each import is declared under: its own, or the one whose
    declaration carries the import's name as an assembler label."""
    text = ""
    for folder in folders:
        for name in sorted(os.listdir(folder)):
            if name.endswith(".h"):
                with open(os.path.join(folder, name), encoding="utf-8") as f:
                    text += f.read()
    names = {}
    for name, _ in imports:
        label = re.search(r"(\w+)\s*\([^;{]*\)\s*__asm__\(\"" + re.escape(name) + r"\"\)", text)
        names[name] = label.group(1) if label else name
    return names


def type_of(die):
    """('void' | 'word' | 'wide' | 'aggregate', size) of a DIE's type."""
    while True:
        if "DW_AT_type" not in die.attributes:
            return "void", 0
        die = die.get_DIE_from_attribute("DW_AT_type")
        if die.tag in ("DW_TAG_typedef", "DW_TAG_const_type", "DW_TAG_volatile_type"):
            continue
        if die.tag in ("DW_TAG_structure_type", "DW_TAG_union_type", "DW_TAG_class_type"):
            return "aggregate", die.attributes["DW_AT_byte_size"].value if "DW_AT_byte_size" in die.attributes else 0
        size = die.attributes["DW_AT_byte_size"].value if "DW_AT_byte_size" in die.attributes else 4
        return ("word" if size <= 4 else "wide"), size


def declarations(object_path):
    """{linkage name: (result, [parameters], variadic)} of the declared
    functions in an object's debug information."""
    found = {}
    with open(object_path, "rb") as f:
        elf = ELFFile(f)
        for unit in elf.get_dwarf_info().iter_CUs():
            for die in unit.iter_DIEs():
                if die.tag != "DW_TAG_subprogram" or "DW_AT_declaration" not in die.attributes:
                    continue
                name_attribute = die.attributes.get("DW_AT_linkage_name") or die.attributes.get("DW_AT_name")
                if name_attribute is None:
                    continue
                parameters, variadic = [], False
                for child in die.iter_children():
                    if child.tag == "DW_TAG_formal_parameter":
                        parameters.append(type_of(child))
                    elif child.tag == "DW_TAG_unspecified_parameters":
                        variadic = True
                found[name_attribute.value.decode()] = (type_of(die), parameters, variadic)
    return found


def judge(name, listed, declaration):
    """What is wrong with one import's declaration, or ''."""
    result, parameters, variadic = declaration
    if result[0] == "aggregate" or any(kind == "aggregate" for kind, _ in parameters):
        return "passes a structure by value"
    wide = result[0] == "wide" or any(kind == "wide" for kind, _ in parameters)
    if not listed:
        if wide:
            return "takes or returns a 64-bit value, but is not listed as 64bit"
        if variadic:
            return "is variadic, but is not listed as 64bit"
        return ""
    if not (wide or variadic):
        return "is listed as 64bit, but passes words only"
    word = 0
    for kind, size in parameters:
        if kind == "wide" and word % 2:
            return f"a 64-bit argument starts at word {word}, where the platform and GCC's EABI differ"
        word += (size + 3) // 4
    return ""


def main(argv):
    if len(argv) < 4:
        raise SystemExit(__doc__)
    imports_path, compiler, folders = argv[1], argv[2], argv[3:]
    imports = read_imports(imports_path)
    names = declared_names(folders, imports)
    compiler_include = subprocess.run([compiler, "-print-file-name=include"], capture_output=True, text=True,
                                      check=True).stdout.strip()
    with tempfile.TemporaryDirectory() as work:
        probe = os.path.join(work, "probe.cpp")
        with open(probe, "w", encoding="ascii") as f:
            f.write("".join(f"#include <{h}>\n" for h in HEADERS))
            f.write("typedef void (*any_function)();\nany_function imports[] = {\n")
            f.write("".join(f"    reinterpret_cast<any_function>(&{names[n]}),\n" for n, _ in imports))
            f.write("};\n")
        includes = ["-isystem", compiler_include] + [flag for folder in folders for flag in ("-isystem", folder)]
        built = subprocess.run([compiler, *FLAGS, *includes, probe, "-o", os.path.join(work, "probe.o")],
                               capture_output=True, text=True)
        if built.returncode != 0:
            check(False, f"every import is declared in the platform's headers:\n{built.stderr.strip()}")
            return 1
        found = declarations(os.path.join(work, "probe.o"))
    for name, listed in imports:
        declaration = found.get(name)
        if declaration is None:
            check(False, f"{name} is declared")
            continue
        wrong = judge(name, listed, declaration)
        check(not wrong, f"{name}{' (64bit)' if listed else ''}: " + (wrong or "meets the calling standard"))
    return outcome()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
