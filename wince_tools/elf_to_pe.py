#!/usr/bin/python3
"""Turns the device image, linked as an ARM ELF at its image base, into the
Windows CE PE that the Windows Mobile 5.0 loader takes, with the program's
resources from a .res file (the resource compiler's own output).

What the loader relies on, and so what this writes:
- "MZ" with e_lfanew, "PE\\0\\0", machine 0x1C0 (ARM), PE32 (0x10B);
- characteristics EXECUTABLE_IMAGE | RELOCS_STRIPPED | 32BIT_MACHINE: the
  image is linked at its base and carries no relocations;
- subsystem 9 (Windows CE GUI) at the version the build gives (5.01, no
  newer than the WM5 kernel), which is also the operating-system version;
- section alignment 0x1000, file alignment 0x200, all 16 data directories;
- the import and import-address directories of the tables that
  make_imports.py put in .idata, and the resource directory built here;
- code execute + read, constant data read, data read + write; .bss is the
  zero-filled tail of .data;
- the PE checksum.

Usage: python3 -m wince_tools.elf_to_pe IMAGE.elf RESOURCES.res OUT.exe --subsystem-version MAJOR.MINOR
"""
import argparse
import struct
import sys

from elftools.elf.elffile import ELFFile
from wince_tools.platform_version import parse_version

SECTION_ALIGNMENT = 0x1000
FILE_ALIGNMENT = 0x200
MACHINE_ARM = 0x1C0
SUBSYSTEM_WINDOWS_CE_GUI = 9
STACK_RESERVE, STACK_COMMIT = 0x10000, 0x1000
HEAP_RESERVE, HEAP_COMMIT = 0x100000, 0x1000
CHARACTERISTICS = 0x0001 | 0x0002 | 0x0100  # relocs stripped, executable, 32-bit

CODE, INITIALIZED = 0x20, 0x40
EXECUTE, READ, WRITE = 0x20000000, 0x40000000, 0x80000000

# ELF output section (image.ld) -> PE section flags, in address order.
SECTION_FLAGS = {
    ".text": CODE | EXECUTE | READ,
    ".rdata": INITIALIZED | READ,
    ".idata": INITIALIZED | READ | WRITE,
    ".data": INITIALIZED | READ | WRITE,
}
RESOURCE_FLAGS = INITIALIZED | READ

DIRECTORY_IMPORT, DIRECTORY_RESOURCE, DIRECTORY_IAT = 1, 2, 12


def align(value, to):
    return (value + to - 1) // to * to


class Section:
    def __init__(self, name, rva, data, virtual_size, flags):
        self.name, self.rva, self.data = name, rva, data
        self.virtual_size, self.flags = virtual_size, flags
        self.uninitialized = 0  # the bytes of .bss this section ends in
        self.file_offset = 0


# ---- the ELF ----

def read_elf(path):
    """The image base, the entry point, the PE sections and the symbols."""
    with open(path, "rb") as f:
        elf = ELFFile(f)
        if elf["e_machine"] != "EM_ARM" or elf.elfclass != 32 or not elf.little_endian:
            raise SystemExit(f"{path}: not a 32-bit little-endian ARM ELF")
        symbols = {s.name: s["st_value"] for s in elf.get_section_by_name(".symtab").iter_symbols()}
        base = symbols.get("__image_base")
        if base is None:
            raise SystemExit(f"{path}: no __image_base symbol")
        # In address order, whatever order the ELF's section table has.
        allocated = sorted((s for s in elf.iter_sections() if s["sh_flags"] & 0x2 and s["sh_size"]),
                           key=lambda s: s["sh_addr"])
        names = [s.name for s in allocated]
        unknown = [n for n in names if n not in SECTION_FLAGS and n != ".bss"]
        if unknown:
            raise SystemExit(f"{path}: sections the image cannot carry: {', '.join(unknown)}")
        sections = []
        for s in allocated:
            if s.name == ".bss":
                # The zero-filled tail of .data, which may have no bytes at all.
                if not sections or sections[-1].name != ".data":
                    if (s["sh_addr"] - base) % SECTION_ALIGNMENT:
                        raise SystemExit(f"{path}: .bss must follow .data or start a page")
                    sections.append(Section(".data", s["sh_addr"] - base, b"", 0, SECTION_FLAGS[".data"]))
                # It may start past .data's end, by what its alignment asks.
                data = sections[-1]
                data_end = base + data.rva + data.virtual_size
                if not data_end <= s["sh_addr"] < data_end + max(s["sh_addralign"], 1):
                    raise SystemExit(f"{path}: .bss must follow .data directly")
                data.virtual_size = s["sh_addr"] + s["sh_size"] - base - data.rva
                data.uninitialized = s["sh_size"]
                continue
            rva = s["sh_addr"] - base
            if rva % SECTION_ALIGNMENT:
                raise SystemExit(f"{path}: {s.name} is not page-aligned")
            sections.append(Section(s.name, rva, s.data(), s["sh_size"], SECTION_FLAGS[s.name]))
        entry = elf["e_entry"] - base
    # The loader maps the sections as one run of pages: each starts on the
    # page after the one the previous ends in (.bss may end anywhere in its
    # page), with neither a gap nor an overlap between them.
    for before, after in zip(sections, sections[1:]):
        end = before.rva + before.virtual_size
        if after.rva < end:
            raise SystemExit(f"{path}: {after.name} at {after.rva:#x} overlaps {before.name}, which ends at {end:#x}")
        if after.rva != align(end, SECTION_ALIGNMENT):
            raise SystemExit(f"{path}: a gap between {before.name}, which ends at {end:#x}, "
                             f"and {after.name} at {after.rva:#x}")
    return base, entry, sections, symbols


# ---- the resources ----

def read_res(path):
    """[(type, name, language, data)] from a .res file; type and name are an
    int or a str."""
    with open(path, "rb") as f:
        raw = f.read()

    def name_or_id(at):
        if struct.unpack_from("<H", raw, at)[0] == 0xFFFF:
            return struct.unpack_from("<H", raw, at + 2)[0], at + 4
        end = at
        while struct.unpack_from("<H", raw, end)[0] != 0:
            end += 2
        return raw[at:end].decode("utf-16-le"), end + 2

    entries, at = [], 0
    while at + 8 <= len(raw):
        data_size, header_size = struct.unpack_from("<II", raw, at)
        kind, after = name_or_id(at + 8)
        name, after = name_or_id(after)
        after = align(after, 4)
        language = struct.unpack_from("<H", raw, after + 6)[0]
        data = raw[at + header_size:at + header_size + data_size]
        if len(data) != data_size:
            raise SystemExit(f"{path}: a resource runs past the end of the file")
        if not (kind == 0 and name == 0 and data_size == 0):  # the leading empty entry
            entries.append((kind, name, language, data))
        at = align(at + header_size + data_size, 4)
    return entries


def sort_key(key):
    """Named entries first, by name; then numbered ones, by number."""
    return (1, key, "") if isinstance(key, int) else (0, 0, key)


def resource_section(entries, rva):
    """The .rsrc bytes for a section at rva: the type / name / language
    tree, the data entries, the names, then the data, each 8-byte aligned."""
    tree = {}
    for kind, name, language, data in entries:
        leaf = tree.setdefault(kind, {}).setdefault(name, {})
        if language in leaf:
            raise SystemExit(f"resource {kind}/{name}/{language} appears twice")
        leaf[language] = data

    # Sizes first, to place each part.
    def table_size(children):
        return 16 + 8 * len(children)

    tables_size = table_size(tree)
    for names in tree.values():
        tables_size += table_size(names)
        for languages in names.values():
            tables_size += table_size(languages)
    leaves = [(k, n, language) for k in sorted(tree, key=sort_key)
              for n in sorted(tree[k], key=sort_key)
              for language in sorted(tree[k][n])]
    data_entries_at = tables_size
    strings_at = data_entries_at + 16 * len(leaves)
    strings = bytearray()
    string_offsets = {}
    for text in sorted({k for k in tree if isinstance(k, str)} |
                       {n for names in tree.values() for n in names if isinstance(n, str)}):
        string_offsets[text] = strings_at + len(strings)
        encoded = text.encode("utf-16-le")
        strings += struct.pack("<H", len(encoded) // 2) + encoded
    blobs_at = align(strings_at + len(strings), 8)

    out = bytearray(blobs_at)
    blob_offsets = {}
    for leaf in leaves:
        k, n, language = leaf
        at = align(len(out), 8)
        out += bytes(at - len(out))
        blob_offsets[leaf] = at
        out += tree[k][n][language]
    out[strings_at:strings_at + len(strings)] = strings

    for index, leaf in enumerate(leaves):
        k, n, language = leaf
        struct.pack_into("<IIII", out, data_entries_at + 16 * index,
                         rva + blob_offsets[leaf], len(tree[k][n][language]), 0, 0)

    # The tables, breadth first: root, then each type's names, then each
    # name's languages.
    next_table = [0]

    def place(children):
        at = next_table[0]
        next_table[0] += table_size(children)
        return at

    def write_table(at, keys, targets, is_leaf):
        named = sum(1 for key in keys if isinstance(key, str))
        struct.pack_into("<IIHHHH", out, at, 0, 0, 0, 0, named, len(keys) - named)
        for i, (key, target) in enumerate(zip(keys, targets)):
            name_field = (0x80000000 | string_offsets[key]) if isinstance(key, str) else key
            offset_field = target if is_leaf else (0x80000000 | target)
            struct.pack_into("<II", out, at + 16 + 8 * i, name_field, offset_field)

    root_at = place(tree)
    kinds = sorted(tree, key=sort_key)
    kind_tables = [place(tree[k]) for k in kinds]
    write_table(root_at, kinds, kind_tables, False)
    leaf_index = 0
    name_tables = []
    for k, at in zip(kinds, kind_tables):
        names = sorted(tree[k], key=sort_key)
        tables = [place(tree[k][n]) for n in names]
        write_table(at, names, tables, False)
        name_tables += [(k, n, t) for n, t in zip(names, tables)]
    for k, n, at in name_tables:
        languages = sorted(tree[k][n])
        targets = [data_entries_at + 16 * (leaf_index + i) for i in range(len(languages))]
        leaf_index += len(languages)
        write_table(at, languages, targets, True)
    return bytes(out)


# ---- the PE ----

def pe_checksum(image, checksum_offset):
    """The PE checksum: the 16-bit one's-complement-style sum of the file
    with the checksum field taken as zero, plus the file's length."""
    data = bytearray(image)
    data[checksum_offset:checksum_offset + 4] = bytes(4)
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(image)


def build_pe(base, entry, sections, symbols, resources, subsystem_version):
    last = sections[-1]
    rsrc_rva = align(last.rva + last.virtual_size, SECTION_ALIGNMENT)
    rsrc = resource_section(resources, rsrc_rva)
    sections = sections + [Section(".rsrc", rsrc_rva, rsrc, len(rsrc), RESOURCE_FLAGS)]

    code = [s for s in sections if s.flags & CODE]
    if not code or not code[0].rva <= entry < code[0].rva + code[0].virtual_size:
        raise SystemExit("the entry point is not in the code section")

    def span(start, end):
        try:
            return symbols[start] - base, symbols[end] - symbols[start]
        except KeyError as missing:
            raise SystemExit(f"the image has no {missing} symbol (import tables)")

    directories = [(0, 0)] * 16
    directories[DIRECTORY_IMPORT] = span("__import_directory", "__import_directory_end")
    directories[DIRECTORY_IAT] = span("__import_slots", "__import_slots_end")
    directories[DIRECTORY_RESOURCE] = (rsrc_rva, len(rsrc))

    pe_offset = 0x40
    optional_size = 96 + 8 * len(directories)
    headers_size = align(pe_offset + 4 + 20 + optional_size + 40 * len(sections), FILE_ALIGNMENT)
    at = headers_size
    for s in sections:
        s.file_offset = at if s.data else 0
        at += align(len(s.data), FILE_ALIGNMENT)
    file_size = at

    def raw_size(s):
        return align(len(s.data), FILE_ALIGNMENT)

    image = bytearray(file_size)
    struct.pack_into("<2s58xI", image, 0, b"MZ", pe_offset)
    struct.pack_into("<4sHHIIIHH", image, pe_offset, b"PE\0\0", MACHINE_ARM, len(sections),
                     0, 0, 0, optional_size, CHARACTERISTICS)
    optional = pe_offset + 24
    data_sections = [s for s in sections if not s.flags & CODE]
    struct.pack_into(
        "<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", image, optional,
        0x10B, 1, 0,                                            # magic, linker version
        sum(raw_size(s) for s in code),                         # size of code
        sum(raw_size(s) for s in data_sections),                # initialized data
        sum(s.uninitialized for s in sections),                 # uninitialized (.bss)
        entry, code[0].rva, data_sections[0].rva,
        base, SECTION_ALIGNMENT, FILE_ALIGNMENT,
        *subsystem_version,                                     # operating system
        0, 0,                                                   # image version
        *subsystem_version,
        0,                                                      # Win32 version value
        align(sections[-1].rva + sections[-1].virtual_size, SECTION_ALIGNMENT),
        headers_size,
        0,                                                      # checksum, below
        SUBSYSTEM_WINDOWS_CE_GUI, 0,
        STACK_RESERVE, STACK_COMMIT, HEAP_RESERVE, HEAP_COMMIT,
        0, len(directories))
    for i, (rva, size) in enumerate(directories):
        struct.pack_into("<II", image, optional + 96 + 8 * i, rva, size)
    table = optional + optional_size
    for i, s in enumerate(sections):
        struct.pack_into("<8sIIIIIIHHI", image, table + 40 * i, s.name.encode("ascii"),
                         s.virtual_size, s.rva, raw_size(s), s.file_offset, 0, 0, 0, 0, s.flags)
        image[s.file_offset:s.file_offset + len(s.data)] = s.data
    checksum_offset = optional + 64
    struct.pack_into("<I", image, checksum_offset, pe_checksum(image, checksum_offset))
    return bytes(image)


def main():
    parser = argparse.ArgumentParser(prog="elf_to_pe", description=__doc__.splitlines()[0])
    parser.add_argument("elf", help="the linked image")
    parser.add_argument("res", help="the resources windres compiled")
    parser.add_argument("output", help="the PE image to write")
    parser.add_argument("--subsystem-version", required=True, help="MAJOR.MINOR, the subsystem the image is marked with")
    args = parser.parse_args()
    base, entry, sections, symbols = read_elf(args.elf)
    image = build_pe(base, entry, sections, symbols, read_res(args.res), parse_version(args.subsystem_version))
    try:
        with open(args.output, "wb") as out:
            out.write(image)
    except OSError as error:
        sys.exit(f"elf_to_pe: cannot write {args.output}: {error}")


if __name__ == "__main__":
    main()
