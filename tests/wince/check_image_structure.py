#!/usr/bin/python3
"""Reads the device image back with an independent PE parser (pefile) and
checks what the Windows Mobile 5.0 loader relies on: the headers, the
sections and their flags, the exact imports, no relocations, the checksum,
and resources byte for byte equal to those the resource compiler wrote into
the build's .res file (the same bytes the desktop program links).

Usage: check_image_structure.py IMAGE.exe RESOURCES.res --subsystem-version=MAJOR.MINOR
                                --arithmetic=platform|libgcc
"""
import struct
import sys

import pefile

from checks import check, outcome

# What the image may import, and nothing else: the shell's calls, the
# counter, the formatted print, the two math functions, the start-up's
# clock and end of the process, and (unless built with libgcc's) the
# arithmetic helpers.
EXPECTED_IMPORTS = {
    "coredll.dll": {
        "FindResourceW", "LoadResource", "SizeofResource", "DialogBoxIndirectParamW", "EndDialog",
        "ShowWindow", "GetDlgItem", "SetDlgItemTextW", "SendDlgItemMessageW", "PeekMessageW",
        "DispatchMessageW", "GetSystemMetrics", "MapDialogRect", "BeginDeferWindowPos",
        "DeferWindowPos", "EndDeferWindowPos", "LoadIconW", "LoadBitmapW", "DestroyIcon",
        "DeleteObject", "QueryPerformanceCounter", "QueryPerformanceFrequency", "_snwprintf",
        "fabs", "floor", "GetTickCount", "TerminateProcess",
    },
    "aygshell.dll": {"SHInitExtraControls", "SHInitDialog"},
}
ARITHMETIC_HELPERS = {"__adds", "__subs", "__muls", "__divs", "__addd", "__subd", "__muld", "__divd",
                      "__stod", "__dtos", "__itos", "__itod", "__i64tos", "__dtoi"}

CODE, INITIALIZED = 0x20, 0x40
EXECUTE, READ, WRITE = 0x20000000, 0x40000000, 0x80000000
EXPECTED_SECTIONS = [
    (".text", CODE | EXECUTE | READ),
    (".rdata", INITIALIZED | READ),
    (".idata", INITIALIZED | READ | WRITE),
    (".data", INITIALIZED | READ | WRITE),
    (".rsrc", INITIALIZED | READ),
]


def resources(pe):
    """{(type, name, language): bytes} of a parsed image."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                key = (str(kind.name) if kind.name else kind.id,
                       str(name.name) if name.name else name.id, language.id)
                found[key] = pe.get_data(entry.OffsetToData, entry.Size)
    return found


def check_headers(pe, subsystem_version):
    header, optional = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    check(pe.DOS_HEADER.e_magic == 0x5A4D and pe.NT_HEADERS.Signature == 0x4550, "MZ and PE signatures")
    check(header.Machine == 0x1C0, f"machine ARM 0x1C0 (is {header.Machine:#x})")
    check(header.Characteristics == 0x0103,
          f"characteristics EXECUTABLE_IMAGE | RELOCS_STRIPPED | 32BIT_MACHINE (is {header.Characteristics:#06x})")
    check(optional.Magic == 0x10B, "PE32 optional header")
    check(optional.ImageBase == 0x10000, f"image base 0x10000 (is {optional.ImageBase:#x})")
    check(optional.SectionAlignment == 0x1000 and optional.FileAlignment == 0x200,
          "section alignment 0x1000, file alignment 0x200")
    check(optional.Subsystem == 9, f"subsystem 9, Windows CE GUI (is {optional.Subsystem})")
    version = (optional.MajorSubsystemVersion, optional.MinorSubsystemVersion)
    check(version == subsystem_version, f"subsystem version {subsystem_version[0]}.{subsystem_version[1]:02}, "
          f"no newer than the kernel (is {version[0]}.{version[1]:02})")
    check(optional.NumberOfRvaAndSizes == 16 and header.SizeOfOptionalHeader == 224,
          "all 16 data directories")
    check(optional.CheckSum == pe.generate_checksum(),
          f"checksum {optional.CheckSum:#x} (computed {pe.generate_checksum():#x})")


def check_sections(pe):
    optional = pe.OPTIONAL_HEADER
    layout = [(s.Name.rstrip(b"\0").decode(), s.Characteristics) for s in pe.sections]
    check(layout == EXPECTED_SECTIONS, f"sections and their flags: {[(n, hex(f)) for n, f in layout]}")
    end = optional.SizeOfHeaders
    for s in pe.sections:
        name = s.Name.rstrip(b"\0").decode()
        check(s.VirtualAddress % 0x1000 == 0 and s.VirtualAddress >= end,
              f"{name} starts on its own page after what precedes it")
        check(s.SizeOfRawData % 0x200 == 0 and s.PointerToRawData % 0x200 == 0
              and s.SizeOfRawData <= (s.Misc_VirtualSize + 0x1FF) // 0x200 * 0x200,
              f"{name}'s file bytes are aligned to 0x200 and within its size")
        end = s.VirtualAddress + s.Misc_VirtualSize
    check(optional.SizeOfImage == (end + 0xFFF) // 0x1000 * 0x1000, "size of image ends with the last section")
    text = pe.sections[0]
    check(text.VirtualAddress <= optional.AddressOfEntryPoint < text.VirtualAddress + text.Misc_VirtualSize,
          f"entry point {optional.AddressOfEntryPoint:#x} lies in the code section")
    relocations = optional.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    check(relocations.VirtualAddress == 0 and relocations.Size == 0 and
          not any(s.Name.startswith(b".reloc") for s in pe.sections), "no relocations")


def check_imports(pe, arithmetic):
    expected = {dll: set(names) for dll, names in EXPECTED_IMPORTS.items()}
    if arithmetic == "platform":
        expected["coredll.dll"] |= ARITHMETIC_HELPERS
    imports = {}
    for descriptor in pe.DIRECTORY_ENTRY_IMPORT:
        dll = descriptor.dll.decode().lower()
        check(descriptor.struct.OriginalFirstThunk != 0 and descriptor.struct.FirstThunk != 0,
              f"{dll} has both its lookup table and its address table")
        check(all(i.name and not i.import_by_ordinal for i in descriptor.imports), f"{dll} imports by name only")
        imports[dll] = {i.name.decode() for i in descriptor.imports if i.name}
    check(imports == expected, f"exactly the expected imports, {arithmetic} arithmetic" + (
        "" if imports == expected else f": unexpected {sorted(imports['coredll.dll'] - expected['coredll.dll'])}, "
                                       f"missing {sorted(expected['coredll.dll'] - imports['coredll.dll'])}"))
    iat = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IAT"]]
    base = pe.OPTIONAL_HEADER.ImageBase
    slots = [i.address - base for d in pe.DIRECTORY_ENTRY_IMPORT for i in d.imports]
    check(iat.Size > 0 and all(iat.VirtualAddress <= s < iat.VirtualAddress + iat.Size for s in slots),
          "the import address directory covers every slot")
    writable = [s for s in pe.sections if s.Characteristics & WRITE]
    check(all(any(w.VirtualAddress <= slot < w.VirtualAddress + w.Misc_VirtualSize for w in writable) for slot in slots),
          "every import slot is writable")


def compiled_resources(res_path):
    """{(type, name, language): bytes} of a .res file: a run of records, each
    a header (data size, header size, type and name as 0xFFFF and a number
    or a NUL-terminated UTF-16 name, then padding to 4, version, flags,
    language, two more words) and its data, padded to 4. The first record
    is the empty one that marks the format."""
    with open(res_path, "rb") as f:
        raw = f.read()

    def field(at):
        if raw[at:at + 2] == b"\xff\xff":
            return struct.unpack_from("<H", raw, at + 2)[0], at + 4
        end = raw.index(b"\0\0", at)
        while (end - at) % 2:
            end = raw.index(b"\0\0", end + 1)
        return raw[at:end].decode("utf-16-le"), end + 2

    found, at = {}, 0
    while at < len(raw):
        data_size, header_size = struct.unpack_from("<II", raw, at)
        kind, after = field(at + 8)
        name, after = field(after)
        after += -after % 4
        language = struct.unpack_from("<H", raw, after + 6)[0]
        if data_size or kind or name:
            found[(kind, name, language)] = raw[at + header_size:at + header_size + data_size]
        at += header_size + data_size
        at += -at % 4
    return found


def check_resources(pe, res_path):
    ours, compiled = resources(pe), compiled_resources(res_path)
    check(sorted(ours, key=str) == sorted(compiled, key=str),
          f"the resources the compiler wrote, and no other: {sorted(ours, key=str)}")
    for key in sorted(compiled, key=str):
        check(ours.get(key) == compiled[key], f"resource {key}: {len(compiled[key])} bytes, byte for byte")


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    if len(args) != 2:
        raise SystemExit(__doc__)
    image, res = args
    version = next((a.split("=", 1)[1] for a in argv if a.startswith("--subsystem-version=")), None)
    arithmetic = next((a.split("=", 1)[1] for a in argv if a.startswith("--arithmetic=")), None)
    if version is None or arithmetic not in ("platform", "libgcc"):
        raise SystemExit(__doc__)
    major, minor = version.split(".")
    pe = pefile.PE(image)
    check_headers(pe, (int(major), int(minor)))
    check_sections(pe)
    check_imports(pe, arithmetic)
    check_resources(pe, res)
    return outcome()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
