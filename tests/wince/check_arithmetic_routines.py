#!/usr/bin/python3
"""Whose arithmetic the device image links, read from its link map: the
libgcc objects the linker pulled in, and the symbols each defines.

- platform: no libgcc routine for single or double addition, subtraction,
  multiplication, division or conversion is in the image (GCC's calls go
  to coredll's helpers through the forwarders); comparisons may be.
- libgcc: those routines are libgcc's own.

usage: check_arithmetic_routines.py MAP NM --arithmetic platform|libgcc
"""
import argparse
import re
import subprocess
import sys

ARITHMETIC = re.compile(r"""^(
    __aeabi_[fd](add|sub|rsub|mul|div)
  | __aeabi_(f2d|d2f|[iu]i?2[fd]|u?l2[fd]|[fd]2u?iz|[fd]2u?lz)
  | __(add|sub|mul|div)[sd]f3 | __extendsfdf2 | __truncdfsf2
  | __float(un)?[sd]i[sd]f | __fix(uns)?[sd]f[sd]i
)$""", re.VERBOSE)
MEMBER = re.compile(r"^(\S*libgcc\.a)\(([^)]+)\)")


def pulled_members(map_path):
    """{(archive, member)} that the link took from libgcc."""
    members = set()
    with open(map_path) as f:
        for line in f:
            if line.startswith("Discarded input sections") or line.startswith("Memory Configuration"):
                break
            found = MEMBER.match(line.strip())
            if found:
                members.add(found.groups())
    return members


def defined_symbols(nm, archive):
    """{member: {symbols it defines}} of an archive."""
    out = subprocess.run([nm, "--defined-only", archive], capture_output=True, text=True, check=True).stdout
    symbols, member = {}, None
    for line in out.splitlines():
        if line.endswith(":"):
            member = line[:-1]
            symbols[member] = set()
        elif member and line.strip():
            symbols[member].add(line.split()[-1])
    return symbols


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("map")
    parser.add_argument("nm")
    parser.add_argument("--arithmetic", choices=("platform", "libgcc"), required=True)
    args = parser.parse_args()
    members = pulled_members(args.map)
    arithmetic = {}
    for archive in {a for a, _ in members}:
        symbols = defined_symbols(args.nm, archive)
        for a, member in members:
            if a == archive:
                found = sorted(s for s in symbols.get(member, ()) if ARITHMETIC.match(s))
                if found:
                    arithmetic[member] = found
    print(f"libgcc objects in the image: {sorted(m for _, m in members)}")
    if args.arithmetic == "platform":
        ok = not arithmetic and members
        print(("ok   " if ok else "FAIL ") + "no libgcc routine for arithmetic or conversion"
              + "".join(f"\n     {m}: {', '.join(s)}" for m, s in sorted(arithmetic.items())))
    else:
        ok = any("__aeabi_fadd" in s for s in arithmetic.values()) and any("__aeabi_dmul" in s for s in arithmetic.values())
        print(("ok   " if ok else "FAIL ") + f"libgcc's own arithmetic: {sorted(arithmetic)}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
