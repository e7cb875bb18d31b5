# The browser: WebAssembly (wasm32) with Debian's clang and lld's wasm-ld,
# no C library and no emscripten. What the engine asks of a C library
# (fabs, floor, strcmp) is in include/ beside this file; the module's
# imports and exports are in CMakeLists.txt. Programs are not run by CMake:
# the tests run the module under node and the page in chromium.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(VELMARK_WEB ON)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET wasm32)
set(CMAKE_CXX_COMPILER_TARGET wasm32)
set(VELMARK_WASM_FLAGS "-ffreestanding -nostdlib")
set(CMAKE_C_FLAGS_INIT "${VELMARK_WASM_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${VELMARK_WASM_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib -Wl,--no-entry")
# A wasm32 program links only with its imports declared, so the compiler
# checks build libraries.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

