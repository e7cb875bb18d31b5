#!/usr/bin/python3
"""Checks that the device image holds only ARMv4T code that works beside
Thumb code: no instruction of ARMv5 or later, no Thumb code of its own, no
return or jump that cannot switch to Thumb state, and every import reached
through a stub that ends in `bx`.

The image's code section must be byte for byte the ELF's .text, so that the
disassembly of the ELF (whose mapping symbols tell code from literal
pools) is the disassembly of the image.

Usage: check_instruction_set.py IMAGE.exe IMAGE.elf OBJDUMP
"""
import re
import subprocess
import sys

import pefile
from elftools.elf.elffile import ELFFile

from checks import check, outcome

# Mnemonics that ARMv4T lacks (ARMv5, v5TE, v6 and later), without their
# condition or flag suffixes.
NEWER = re.compile(r"""^(
    clz | blx | bkpt | pld | pli | ldrd | strd | mcrr2? | mrrc2? | ldc2l? | stc2l? | mcr2 | mrc2 | cdp2
  | smul[bt][bt] | smulw[bt] | smla[bt][bt] | smlaw[bt] | smlal[bt][bt]
  | q(d?add|d?sub|add8|add16|sub8|sub16|asx|sax)
  | ldrex[bhd]? | strex[bhd]? | clrex | rev(16|sh)? | rbit | [su]xta?(b|h|b16) | sel | [su]sat(16)?
  | pkh(bt|tb) | sm(la|ls)l?d x? | smu[as]dx? | smmul r? | smml[as]r? | umaal | [su]h?(add|sub)(8|16)
  | u?q(add|sub)(8|16) | usada?8 | cps(ie|id)? | srs(ia|ib|da|db)? | rfe(ia|ib|da|db)? | setend
  | movw | movt | ubfx | sbfx | bfi | bfc | mls | [su]div | dmb | dsb | isb | wfe | wfi | sev | yield
  | nop\.w | it[te]* | cb n?z | tb[bh] | ldr[bhs]*t\.w
)$""", re.VERBOSE)
CONDITIONS = "eq|ne|cs|cc|hs|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al"


def base_mnemonic(mnemonic):
    """'popgt' -> 'pop', 'movsne' -> 'mov'; the word itself when it is one."""
    if NEWER.match(mnemonic):
        return mnemonic
    for condition in CONDITIONS.split("|"):
        if mnemonic.endswith(condition) and len(mnemonic) > len(condition) + 1:
            return mnemonic[:-len(condition)]
    return mnemonic


def writes_pc(mnemonic, operands):
    """A jump or return that cannot change state on ARMv4T: pc loaded or
    computed by anything but b, bl and bx."""
    base = base_mnemonic(mnemonic)
    if base in ("b", "bl", "bx"):
        return False
    if base in ("pop",) or base.startswith("ldm"):
        return re.search(r"\bpc\b", operands.split("{", 1)[-1]) is not None
    return re.match(r"pc\b", operands) is not None


REGISTER_NAMES = {"sb": "r9", "sl": "r10", "fp": "r11", "ip": "r12", "sp": "r13", "lr": "r14", "pc": "r15"}


def register(name):
    name = name.strip().lower()
    return REGISTER_NAMES.get(name, name)


def register_list(text):
    """'{r4, r5-r7, lr}' -> {'r4', 'r5', 'r6', 'r7', 'r14'}."""
    found = set()
    for part in text.strip("{} ").split(","):
        if "-" in part:
            first, last = (int(register(p)[1:]) for p in part.split("-"))
            found |= {f"r{i}" for i in range(first, last + 1)}
        elif part.strip():
            found.add(register(part))
    return found


def unpredictable(mnemonic, operands):
    """Why ARMv4 and ARMv5 leave this register form unpredictable, or None:
    mul and mla with Rd equal to Rm; a long multiply whose RdLo, RdHi and
    Rm are not all different; a load or store with writeback whose base is
    its data register; ldm or stm with writeback and the base in the list."""
    multiply = re.match(rf"^(mla|mul|umull|smull|umlal|smlal)s?({CONDITIONS})?s?$", mnemonic)
    base = multiply.group(1) if multiply else base_mnemonic(mnemonic)
    fields = [register(f) for f in re.split(r",\s*", operands) if f]
    if base in ("mul", "mla") and len(fields) >= 3 and fields[0] == fields[1]:
        return "Rd is Rm"
    if base in ("umull", "smull", "umlal", "smlal") and len(fields) >= 3 and len(set(fields[:3])) < 3:
        return "RdLo, RdHi and Rm are not all different"
    memory = re.match(r"^(\w+),\s*\[(\w+)(\]?)(.*)$", operands)
    if memory and re.match(r"^(ldr|str)", base) and not base.startswith(("ldm", "stm")):
        data, address_base, closed, rest = memory.groups()
        writeback = rest.rstrip().endswith("!") or (closed == "]" and rest.strip().startswith(","))
        if writeback and register(data) == register(address_base):
            return "writeback to the data register"
    multiple = re.match(r"^(\w+)!,\s*(\{.*\})", operands)
    if multiple and (base.startswith(("ldm", "stm"))):
        if register(multiple.group(1)) in register_list(multiple.group(2)):
            return "writeback with the base in the list"
    return None


def disassemble(objdump, elf_path):
    """[(address, mnemonic, operands, symbol)] of the ELF's code, literal
    pools left out."""
    text = subprocess.run([objdump, "-d", "--no-show-raw-insn", elf_path], check=True,
                          capture_output=True, text=True).stdout
    instructions, symbol = [], None
    for line in text.splitlines():
        header = re.match(r"^[0-9a-f]+ <(.+)>:$", line)
        if header:
            symbol = header.group(1)
            continue
        m = re.match(r"^\s+([0-9a-f]+):\s+(\S+)\s*(.*)$", line)
        if m and not m.group(2).startswith("."):
            operands = m.group(3).split(";")[0].split("@")[0].strip()
            instructions.append((int(m.group(1), 16), m.group(2), operands, symbol))
    return instructions


def main(argv):
    if len(argv) != 4:
        raise SystemExit(__doc__)
    image, elf_path, objdump = argv[1:]
    pe = pefile.PE(image)
    base = pe.OPTIONAL_HEADER.ImageBase
    with open(elf_path, "rb") as f:
        elf = ELFFile(f)
        text = elf.get_section_by_name(".text")
        elf_code, elf_address = text.data(), text["sh_addr"]
        symbols = {s.name: s["st_value"] for s in elf.get_section_by_name(".symtab").iter_symbols()}
        mapping = [s.name for s in elf.get_section_by_name(".symtab").iter_symbols() if s.name.startswith("$t")]
        attributes = elf.get_section_by_name(".ARM.attributes")
        tags = {t.tag: t.value for sub in attributes.iter_subsections() for sub2 in sub.iter_subsubsections()
                for t in sub2.iter_attributes()}
    code = pe.sections[0]
    check(code.VirtualAddress + base == elf_address and
          code.get_data()[:code.Misc_VirtualSize] == elf_code,
          "the image's code section is the ELF's .text, byte for byte")
    check(tags.get("TAG_CPU_ARCH") == 2, f"the link is tagged ARMv4T (Tag_CPU_arch {tags.get('TAG_CPU_ARCH')}, v4T is 2)")
    check(tags.get("TAG_ABI_ENUM_SIZE") == 2 and tags.get("TAG_ABI_PCS_WCHAR_T") == 2,
          "int-sized enums and 16-bit wide characters, as the platform's")
    check(not mapping, "no Thumb code in the image")

    instructions = disassemble(objdump, elf_path)
    check(len(instructions) > 1000, f"{len(instructions)} instructions disassembled")
    newer = [(a, m, o, s) for a, m, o, s in instructions if NEWER.match(base_mnemonic(m))]
    check(not newer, "no instruction of ARMv5 or later" + "".join(
        f"\n     {a:#x} {m} {o} in {s}" for a, m, o, s in newer[:20]))
    odd = [(a, m, o, s, unpredictable(m, o)) for a, m, o, s in instructions if unpredictable(m, o)]
    check(not odd, "no register form that ARMv4 and ARMv5 leave unpredictable" + "".join(
        f"\n     {a:#x} {m} {o} in {s}: {why}" for a, m, o, s, why in odd[:20]))
    jumps = [(a, m, o, s) for a, m, o, s in instructions if writes_pc(m, o)]
    check(not jumps, "every return and indirect jump goes through bx" + "".join(
        f"\n     {a:#x} {m} {o} in {s}" for a, m, o, s in jumps[:20]))

    # Each import: its stub loads the address from its own import slot and
    # jumps there with bx.
    by_address = {a: (m, o) for a, m, o, _ in instructions}
    words = {elf_address + i: int.from_bytes(elf_code[i:i + 4], "little") for i in range(0, len(elf_code) - 3, 4)}
    for descriptor in pe.DIRECTORY_ENTRY_IMPORT:
        for imported in descriptor.imports:
            name = imported.name.decode()
            stub = symbols.get(name)
            body = [by_address.get(stub + 4 * i) for i in range(3)] if stub else []
            check(body == [("ldr", "ip, [pc, #4]"), ("ldr", "ip, [ip]"), ("bx", "ip")]
                  and words.get(stub + 12) == imported.address,
                  f"{name} is called through its slot {imported.address:#x} and bx")
    return outcome()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
