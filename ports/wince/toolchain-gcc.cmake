# Windows Mobile 5.0 Pocket PC (Windows CE 5, ARMV4I) with Debian's GCC for
# bare ARM: ARMv4T code, soft-float. The image's own flags (ARM state, the
# platform's int-sized enums and 16-bit wide characters, nothing of a C
# runtime) are in gcc_image.cmake beside this file. No linker here writes
# a Windows CE PE, so the device image is linked as an ELF at its image
# base and turned into the PE by tools/elf_to_pe.py. The test programs
# built with this toolchain run under qemu-arm.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR armv4t)
set(VELMARK_WM5 ON)
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_CXX_COMPILER arm-none-eabi-g++)
set(CMAKE_ASM_COMPILER arm-none-eabi-gcc)
set(VELMARK_WM5_ABI_FLAGS "-march=armv4t -mfloat-abi=soft")
set(CMAKE_C_FLAGS_INIT "${VELMARK_WM5_ABI_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${VELMARK_WM5_ABI_FLAGS}")
set(CMAKE_ASM_FLAGS_INIT "${VELMARK_WM5_ABI_FLAGS}")
# Bare ARM links no program without start-up code of its own, so the
# compiler checks build libraries.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
