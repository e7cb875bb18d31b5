# Floating-point rules for every build: each operation rounded at its own
# precision before the next, so no contraction into multiply-add, no fast
# math, and SSE rather than x87 on x86. Also the strict C++98 flags that keep
# the device sources inside what the device's compilers accept.

if(MSVC)
  set(VELMARK_FP_FLAGS /fp:precise)
else()
  set(VELMARK_FP_FLAGS -ffp-contract=off -fno-fast-math)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|AMD64|x86_64)$")
    list(APPEND VELMARK_FP_FLAGS -msse2 -mfpmath=sse)
  endif()
endif()
add_compile_options(${VELMARK_FP_FLAGS})

# Flags for sources that must build with the device's C++98 compilers.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(VELMARK_DEVICE_CXX_FLAGS -std=c++98 -pedantic-errors -Wall -Wextra -Werror
                               -Wno-long-long)
else()
  set(VELMARK_DEVICE_CXX_FLAGS "")
endif()

# Marks a target as device code: C++98, strict, warnings as errors. The
# device's own compilers speak nothing newer, so they need no flags for it.
function(velmark_device_code target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set_target_properties(${target} PROPERTIES CXX_STANDARD 98
                          CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${VELMARK_DEVICE_CXX_FLAGS}>")
  endif()
endfunction()

# Warnings for the host-only code (runner, tests, tools).
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(VELMARK_HOST_WARNINGS -Wall -Wextra)
else()
  set(VELMARK_HOST_WARNINGS "")
endif()

# The flags that decide a C++ target's code, for reports: of the compiler's
# flags for the build type and every option of the target (those of its
# folders: the sanitizers, the floating-point rules; and its own), the
# optimisation (-O), target (-m) and code generation (-f) ones; warnings,
# the language standard and definitions say nothing about the code. Call
# it once the target is complete.
function(velmark_compile_flags_text target out)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
  get_target_property(target_options ${target} COMPILE_OPTIONS)
  if(NOT target_options)
    set(target_options "")
  endif()
  set(text "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type}};${target_options}")
  # Options for C++ sources only count: the target's sources are C++.
  string(REGEX REPLACE "\\$<\\$<COMPILE_LANGUAGE:CXX>:([^>]*)>" "\\1" text "${text}")
  string(REGEX REPLACE "\\$<[^>]*>" "" text "${text}")
  string(REGEX REPLACE "[ ;]+" ";" flags "${text}")
  list(FILTER flags INCLUDE REGEX "^-[Omf]")
  list(JOIN flags " " text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
