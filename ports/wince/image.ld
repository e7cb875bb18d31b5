/* The device image's layout: linked at the image base the executable is
 * loaded at (the build passes __image_base), one page of headers, then one
 * page-aligned section per kind of memory. tools/elf_to_pe.py turns
 * each output section below into the PE section of the same name; .bss
 * becomes the zero-filled tail of .data. */
ENTRY(WinMainCRTStartup)

SECTIONS
{
  . = __image_base + 0x1000;
  .text : {
    *(.text.startup .text.startup.*)
    *(.text .text.*)
    *(.glue_7 .glue_7t .vfp11_veneer .v4_bx)
    *(.iplt)
  }
  . = ALIGN(0x1000);
  .rdata : {
    *(.rodata .rodata.*)
    . = ALIGN(4);
    __init_array_start = .;
    KEEP(*(SORT(.init_array.*)))
    KEEP(*(.init_array))
    __init_array_end = .;
  }
  . = ALIGN(0x1000);
  .idata : { KEEP(*(.idata)) }
  . = ALIGN(0x1000);
  .data : { *(.data .data.*) *(.igot.plt) }
  .bss : { *(.bss .bss.* COMMON) }
  /* Relocations for the image would have nowhere to go: elf_to_pe.py
   * refuses the image if this holds any. */
  .rel.dyn : { *(.rel.*) }
  /* The build attributes stay in the ELF, for the instruction-set checks. */
  .ARM.attributes 0 : { KEEP(*(.ARM.attributes)) }
  /* Nothing unwinds, and static destructors never run: the process ends
   * with app_main's result. Any other section (.ctors, .fini_array, ...)
   * fails the link (--orphan-handling=error), since nothing would use it. */
  /DISCARD/ : { *(.ARM.exidx*) *(.ARM.extab*) *(.comment) *(.note*) *(.debug*) }
}
