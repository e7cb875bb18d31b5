# ARM Linux soft-float (Debian's armel), static, run here under qemu-arm.
# The project's own code is compiled for ARMv4T in ARM state, the device's
# instruction set; Debian's armel C and C++ libraries are ARMv5TE, so the
# program as a whole needs ARMv5TE, and its tests run on an ARMv5TE model
# (arm926). The engine's objects are checked to be ARMv4T.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armel)
set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
set(VELMARK_ARM_FLAGS "-march=armv4t -marm -mfloat-abi=soft")
set(CMAKE_C_FLAGS_INIT "${VELMARK_ARM_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${VELMARK_ARM_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu arm926)
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
