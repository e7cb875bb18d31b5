"""The device image's build tools, run by the wm5 build (ports/wince/):
make_imports writes the import stubs and tables from the import list,
elf_to_pe turns the linked ELF into the PE the device's loader takes,
make_cab writes the installer cab (cab_container lays out its MS-CAB), and
platform_version reads the platform's version numbers. Each tool runs as
`python3 -m wince_tools.TOOL --help` with this folder's parent on the path.
"""
