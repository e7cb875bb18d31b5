#!/usr/bin/python3
"""Reads the device image's headers, import tables and resource directory
as strictly as a device does, from the PE format itself: where pefile
forgives (it adds the two entry counts of a resource table, reads hints at
any address, takes the import directory's size as a hint), a device's
loader and its resource lookup do not.

- Every optional-header field has the value the platform needs, or the one
  the sections and the ELF give.
- Every byte the ELF gives the program's variables (its writable sections,
  .bss included) lies in a writable section of the image: a variable past
  its section's end would lie on a page the device never mapped.
- Imports: the directory's size covers the descriptors and the null one
  that ends them; each address table starts as a copy of its lookup
  table, both end in a zero; every hint/name entry is 2-byte aligned, since
  the hint is read as a halfword.
- Resources: each table holds its named entries first, in order of name,
  then its numbered ones in ascending order, by the counts its header
  gives; every resource that pefile lists is found by the lookup a device
  makes (named entries by name among the first count, numbered ones by
  binary search among the next), with the same bytes.

usage: check_image_tables.py IMAGE.exe IMAGE.elf SUBSYSTEM_VERSION (MAJOR.MINOR)
"""
import struct
import sys

import pefile
from elftools.elf.elffile import ELFFile

from checks import check, outcome


class Image:
    """The file, its headers and its sections, by RVA."""

    def __init__(self, data):
        self.data = data
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        self.sections_count = struct.unpack_from("<H", data, self.pe + 6)[0]
        self.optional = self.pe + 24
        self.sections = []
        table = self.optional + struct.unpack_from("<H", data, self.pe + 20)[0]
        for i in range(self.sections_count):
            name, vsize, rva, raw_size, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode(), rva, vsize, raw_at, raw_size, flags))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.optional + 96 + 8 * index)

    def offset(self, rva, size=1):
        """The file offset of size bytes at rva, which must lie in one
        section's file bytes."""
        for _, start, vsize, raw_at, raw_size, _ in self.sections:
            if start <= rva and rva + size <= start + min(vsize, raw_size):
                return raw_at + rva - start
        raise ValueError(f"RVA {rva:#x}+{size} is not in any section's file bytes")

    def word(self, rva):
        return self.u32(self.offset(rva, 4))

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")


def check_optional_header(image, elf_path, version):
    with open(elf_path, "rb") as f:
        elf = ELFFile(f)
        bss = elf.get_section_by_name(".bss")
        bss_size = bss["sh_size"] if bss else 0
        symbols = {s.name: s["st_value"] for s in elf.get_section_by_name(".symtab").iter_symbols()}
        entry = elf["e_entry"]
    fields = struct.unpack_from("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", image.data, image.optional)
    (magic, _, _, code_size, data_size, uninitialised, entry_rva, code_base, data_base, base,
     section_alignment, file_alignment, os_major, os_minor, image_major, image_minor, sub_major, sub_minor,
     win32_version, image_size, headers_size, _, subsystem, dll_characteristics, stack_reserve, stack_commit,
     heap_reserve, heap_commit, loader_flags, directories) = fields
    code = [s for s in image.sections if s[5] & 0x20]
    initialised = [s for s in image.sections if s[5] & 0x40]
    last = max(image.sections, key=lambda s: s[1])
    expected = {
        "Magic": (magic, 0x10B),
        "SizeOfCode": (code_size, sum(s[4] for s in code)),
        "SizeOfInitializedData": (data_size, sum(s[4] for s in initialised)),
        "SizeOfUninitializedData": (uninitialised, bss_size),
        "AddressOfEntryPoint": (entry_rva, entry - symbols["__image_base"]),
        "BaseOfCode": (code_base, code[0][1]),
        "BaseOfData": (data_base, initialised[0][1]),
        "ImageBase": (base, 0x10000),
        "SectionAlignment": (section_alignment, 0x1000),
        "FileAlignment": (file_alignment, 0x200),
        "OperatingSystemVersion": ((os_major, os_minor), version),
        "ImageVersion": ((image_major, image_minor), (0, 0)),
        "SubsystemVersion": ((sub_major, sub_minor), version),
        "Win32VersionValue": (win32_version, 0),
        "SizeOfImage": (image_size, (last[1] + last[2] + 0xFFF) // 0x1000 * 0x1000),
        "SizeOfHeaders": (headers_size, min(s[3] for s in image.sections if s[4])),
        "Subsystem": (subsystem, 9),
        "DllCharacteristics": (dll_characteristics, 0),
        # The device sizes the main thread's stack from the reserve.
        "SizeOfStackReserve": (stack_reserve, 0x10000),
        "SizeOfStackCommit": (stack_commit, 0x1000),
        "SizeOfHeapReserve": (heap_reserve, 0x100000),
        "SizeOfHeapCommit": (heap_commit, 0x1000),
        "LoaderFlags": (loader_flags, 0),
        "NumberOfRvaAndSizes": (directories, 16),
    }
    for name, (got, want) in expected.items():
        check(got == want, f"{name} is {want} (is {got})")


def check_writable_memory(image, elf_path):
    with open(elf_path, "rb") as f:
        elf = ELFFile(f)
        base = {s.name: s["st_value"] for s in elf.get_section_by_name(".symtab").iter_symbols()}["__image_base"]
        wanted = [(s.name, s["sh_addr"] - base, s["sh_size"]) for s in elf.iter_sections()
                  if s["sh_flags"] & 0x3 == 0x3 and s["sh_size"]]  # SHF_WRITE | SHF_ALLOC
    writable = [(rva, vsize) for _, rva, vsize, _, _, flags in image.sections if flags & 0x80000000]
    for name, rva, size in wanted:
        covered = any(start <= rva and rva + size <= start + vsize for start, vsize in writable)
        check(covered, f"the ELF's {name} ({rva:#x}, {size} bytes) lies in a writable section of the image")


def check_imports(image):
    rva, size = image.directory(1)
    descriptors = []
    at = rva
    while True:
        words = struct.unpack_from("<IIIII", image.data, image.offset(at, 20))
        if words == (0, 0, 0, 0, 0):
            break
        descriptors.append(words)
        at += 20
    check(size == 20 * (len(descriptors) + 1),
          f"the import directory's size {size} covers {len(descriptors)} descriptors and the null one")
    iat_rva, iat_size = image.directory(12)
    for lookup, _, _, name_rva, slots in descriptors:
        dll = image.string(name_rva)
        lookup_words, slot_words = [], []
        for k in range(0, 0x1000, 4):
            lookup_words.append(image.word(lookup + k))
            slot_words.append(image.word(slots + k))
            if lookup_words[-1] == 0:
                break
        check(lookup_words[-1] == 0 and slot_words == lookup_words,
              f"{dll}: the address table starts as the lookup table's copy, zero-terminated alike")
        check(iat_rva <= slots and slots + 4 * len(slot_words) <= iat_rva + iat_size,
              f"{dll}: the address table, its zero included, lies in the IAT directory")
        entries = lookup_words[:-1]
        check(entries and all(e % 2 == 0 and not e & 0x80000000 for e in entries),
              f"{dll}: every hint/name entry by name, at an even address (the hint is a halfword)")


NAMED = 0x80000000


def resource_table(image, root, offset):
    """[(key, target)] of one resource table as its counts give it: str keys
    for the named entries, int keys for the numbered ones; the counts."""
    at = image.offset(root + offset, 16)
    named, numbered = image.u16(at + 12), image.u16(at + 14)
    entries = []
    for i in range(named + numbered):
        key, target = struct.unpack_from("<II", image.data, image.offset(root + offset + 16 + 8 * i, 8))
        if i < named:
            if not key & NAMED:
                return None, f"entry {i} of the table at {offset:#x} should be named (it is number {key})"
            name_at = image.offset(root + (key & ~NAMED), 2)
            length = image.u16(name_at)
            key = image.data[name_at + 2:name_at + 2 + 2 * length].decode("utf-16-le")
        elif key & NAMED:
            return None, f"entry {i} of the table at {offset:#x} should be numbered (it is named)"
        entries.append((key, target))
    return (entries, named), ""


def lookup(image, root, offset, key):
    """The device's lookup in one table: a name among the named entries, a
    number by binary search among the numbered ones."""
    table, wrong = resource_table(image, root, offset)
    if table is None:
        return None, wrong
    entries, named = table
    if isinstance(key, str):
        for name, target in entries[:named]:
            if name == key:
                return target, ""
        return None, f"no named entry {key!r}"
    low, high = named, len(entries) - 1
    while low <= high:
        middle = (low + high) // 2
        number, target = entries[middle]
        if number == key:
            return target, ""
        low, high = (middle + 1, high) if number < key else (low, middle - 1)
    return None, f"no numbered entry {key}"


def check_resource_order(image, root, offset, depth=0):
    table, wrong = resource_table(image, root, offset)
    if table is None:
        check(False, wrong)
        return
    entries, named = table
    names = [k for k, _ in entries[:named]]
    numbers = [k for k, _ in entries[named:]]
    check(names == sorted(names, key=str.upper) and numbers == sorted(set(numbers)),
          f"resource table at {offset:#x}: named entries {names} first, then numbers {numbers} ascending")
    if depth < 2:
        for _, target in entries:
            check(target & NAMED != 0, f"resource table at {offset:#x}: each entry leads to a table")
            check_resource_order(image, root, target & ~NAMED, depth + 1)


def check_resources(image, path):
    root, _ = image.directory(2)
    check_resource_order(image, root, 0)
    pe = pefile.PE(path)
    listed = []
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                listed.append(((str(kind.name) if kind.name else kind.id,
                                str(name.name) if name.name else name.id, language.id),
                               pe.get_data(data.OffsetToData, data.Size)))
    wanted = {(5, 105), (5, 106), (14, 101), ("CEUX", "HI_RES_AWARE")}
    check(wanted <= {key[:2] for key, _ in listed}, "the templates, the icon group and the marker are listed")
    for key, expected in listed:
        offset, found = 0, True
        for part in key:
            target, wrong = lookup(image, root, offset, part)
            if target is None:
                check(False, f"resource {key}: the device's lookup fails: {wrong}")
                found = False
                break
            offset = target & ~NAMED
        if found:
            data_rva, size = struct.unpack_from("<II", image.data, image.offset(root + offset, 8))
            at = image.offset(data_rva, size)
            check(image.data[at:at + size] == expected, f"resource {key}: found by the device's lookup, "
                                                        f"{size} bytes as listed")


def main(argv):
    if len(argv) != 4:
        raise SystemExit(__doc__)
    with open(argv[1], "rb") as f:
        image = Image(f.read())
    major, minor = argv[3].split(".")
    check_optional_header(image, argv[2], (int(major), int(minor)))
    check_writable_memory(image, argv[2])
    check_imports(image)
    check_resources(image, argv[1])
    return outcome()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
