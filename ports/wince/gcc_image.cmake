# Velmark.exe for the device built with GCC for bare ARM (the wm5 preset,
# toolchain-gcc.cmake): the engine and the shell's own sources, the
# start-up code and the import stubs, linked as an ELF at the image base by
# image.ld, then turned into the Windows CE PE with the program's
# resources; the installer cab; and the CE loader that runs the image here.
# Included by CMakeLists.txt.
find_program(VELMARK_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
find_program(VELMARK_WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)

set(VELMARK_WM5_IMAGE_BASE 0x10000 CACHE STRING "Where the device image is linked and loaded")
# The image's tools are the project's Python package wince_tools, each
# run as a module: python3 -m wince_tools.TOOL.
set(tools ${PROJECT_SOURCE_DIR}/wince_tools)
set(VELMARK_WM5_TOOL ${CMAKE_COMMAND} -E env PYTHONPATH=${PROJECT_SOURCE_DIR} ${VELMARK_DEBIAN_PYTHON} -m
    CACHE INTERNAL "How a build step runs one of the image's tools")
set(resources_dir ${VELMARK_SHELL_DIR}/resources)

# What every object of the image is compiled with: ARM state, the
# platform's int-sized enums and 16-bit wide characters, nothing of a C or
# C++ runtime (the platform's headers here stand in for the kit's), frames
# under the platform's one-page stack probe, and the runtime's stack guard
# in every function with a local array (set by crt_start.cpp).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=include
                OUTPUT_VARIABLE compiler_include OUTPUT_STRIP_TRAILING_WHITESPACE)
add_library(wm5_platform INTERFACE)
target_compile_options(wm5_platform INTERFACE
  -marm -fno-short-enums -fshort-wchar -ffreestanding -nostdinc "SHELL:-isystem ${compiler_include}"
  "SHELL:-isystem ${CMAKE_CURRENT_SOURCE_DIR}/platform/gcc"
  -ffunction-sections -fdata-sections -fno-unwind-tables -fno-asynchronous-unwind-tables
  -Werror=frame-larger-than=4095 -fstack-protector-strong
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-use-cxa-atexit>)
target_compile_definitions(wm5_platform INTERFACE UNICODE _UNICODE)

# The platform's compilers do every float and double operation through
# coredll's helpers; so does this image, unless told to link libgcc's
# soft-float routines instead (for a device that lacks a helper).
option(VELMARK_WM5_LIBGCC_ARITHMETIC "Do the device image's arithmetic with libgcc's routines, not coredll's helpers" OFF)
set(import_options "")
if(VELMARK_WM5_LIBGCC_ARITHMETIC)
  set(import_options --libgcc-arithmetic)
endif()
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/imports.S
  COMMAND ${VELMARK_WM5_TOOL} wince_tools.make_imports ${import_options} ${CMAKE_CURRENT_SOURCE_DIR}/imports.txt
          ${VELMARK_WM5_IMAGE_BASE} ${CMAKE_CURRENT_BINARY_DIR}/imports.S
  DEPENDS ${tools}/make_imports.py ${CMAKE_CURRENT_SOURCE_DIR}/imports.txt
  COMMENT "Writing the import stubs and tables")

# What velmark_wm5_image (below) takes from this folder, wherever it is
# called: the link layout, the image tools and the compiled resources.
set(VELMARK_WM5_LINK_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/image.ld CACHE INTERNAL "")
set(VELMARK_WM5_TOOLS ${tools} CACHE INTERNAL "")
set(VELMARK_WM5_RES ${CMAKE_CURRENT_BINARY_DIR}/velmark.res CACHE INTERNAL "")

# windres's .res output does not depend on the target: the same bytes the
# win32 build links. Its default preprocessor is mingw's gcc; this build's
# own compiler does the same job.
add_custom_command(OUTPUT ${VELMARK_WM5_RES}
  COMMAND ${VELMARK_WINDRES} --preprocessor=${CMAKE_C_COMPILER} --preprocessor-arg=-E
          --preprocessor-arg=-xc-header --preprocessor-arg=-DRC_INVOKED
          -I ${VELMARK_SHELL_DIR} -I ${resources_dir}
          -O res ${resources_dir}/velmark.rc ${VELMARK_WM5_RES}
  WORKING_DIRECTORY ${resources_dir}
  DEPENDS ${resources_dir}/velmark.rc ${resources_dir}/velmark.ico
          ${VELMARK_SHELL_DIR}/resource_ids.h
  COMMENT "Compiling the program's resources with windres")

# What every image of the device needs beside its own code: the start-up
# and the import stubs with their forwarders and tables.
add_library(wm5_runtime OBJECT ${CMAKE_CURRENT_SOURCE_DIR}/crt_start.cpp ${CMAKE_CURRENT_BINARY_DIR}/imports.S)
target_link_libraries(wm5_runtime PRIVATE wm5_platform)
# The start-up runs before the stack guard has its value: it carries none.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/crt_start.cpp PROPERTIES COMPILE_OPTIONS -fno-stack-protector)
velmark_device_code(wm5_runtime)

# velmark_wm5_image(TARGET EXE): links TARGET (an executable of device
# code) as an ELF at the image base with image.ld and the runtime, and
# turns it into the Windows CE image EXE with the program's resources.
function(velmark_wm5_image target exe)
  get_filename_component(name ${exe} NAME_WE)
  get_filename_component(folder ${exe} DIRECTORY)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:wm5_runtime>)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} SUFFIX .elf RUNTIME_OUTPUT_DIRECTORY ${folder}
                        LINK_DEPENDS ${VELMARK_WM5_LINK_SCRIPT})
  target_link_libraries(${target} PRIVATE wm5_platform gcc)
  target_link_options(${target} PRIVATE
    -nostdlib -T ${VELMARK_WM5_LINK_SCRIPT}
    LINKER:--defsym=__image_base=${VELMARK_WM5_IMAGE_BASE} LINKER:--orphan-handling=error
    LINKER:--gc-sections LINKER:-Map=${folder}/${name}.map)
  velmark_device_code(${target})
  add_custom_command(OUTPUT ${exe}
    COMMAND ${VELMARK_WM5_TOOL} wince_tools.elf_to_pe $<TARGET_FILE:${target}>
            ${VELMARK_WM5_RES} ${exe} --subsystem-version ${VELMARK_WM5_SUBSYSTEM_VERSION}
    DEPENDS ${target} ${VELMARK_WM5_TOOLS}/elf_to_pe.py ${VELMARK_WM5_TOOLS}/platform_version.py ${VELMARK_WM5_RES}
            velmark_wm5_res
    COMMENT "Writing the Windows CE image ${name}.exe")
endfunction()
add_custom_target(velmark_wm5_res DEPENDS ${VELMARK_WM5_RES})

add_executable(velmark_device_elf ${VELMARK_SHELL_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/entry.cpp)
# The shell library's declarations (ports/windows/aygshell.h), here imports.
target_include_directories(velmark_device_elf PRIVATE ${VELMARK_SHELL_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/platform
                           ${PROJECT_SOURCE_DIR}/ports/windows)
target_link_libraries(velmark_device_elf PRIVATE velmark_engine)
target_link_libraries(velmark_engine PRIVATE wm5_platform)
set(VELMARK_DEVICE_EXE ${CMAKE_CURRENT_BINARY_DIR}/Velmark.exe)
set(VELMARK_DEVICE_EXE ${VELMARK_DEVICE_EXE} PARENT_SCOPE)
velmark_wm5_image(velmark_device_elf ${VELMARK_DEVICE_EXE})

# The installer cab, as Pocket PC programs ship and laid out as the
# platform's cab tool lays them out: the .000 header and _setup.xml both
# from install-layout.json, installing on the system version the image is
# built for and later, the members stamped with the commit's time, so that
# one commit gives one cab.
set(VELMARK_DEVICE_CAB ${CMAKE_CURRENT_BINARY_DIR}/velmark-${PROJECT_VERSION}-wm5-armv4i.cab)
set(VELMARK_DEVICE_CAB ${VELMARK_DEVICE_CAB} PARENT_SCOPE)
set(VELMARK_INSTALL_LAYOUT ${CMAKE_CURRENT_SOURCE_DIR}/install-layout.json PARENT_SCOPE)
set(VELMARK_COMMIT_TIME ${CMAKE_CURRENT_BINARY_DIR}/commit-time.txt)
set(VELMARK_COMMIT_TIME ${VELMARK_COMMIT_TIME} PARENT_SCOPE)
add_custom_target(wm5_commit_time
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${VELMARK_COMMIT_TIME}
          -P ${PROJECT_SOURCE_DIR}/cmake/write_commit_time.cmake
  BYPRODUCTS ${VELMARK_COMMIT_TIME})
add_custom_command(OUTPUT ${VELMARK_DEVICE_CAB}
  COMMAND ${VELMARK_WM5_TOOL} wince_tools.make_cab ${CMAKE_CURRENT_SOURCE_DIR}/install-layout.json
          --os-version-min ${VELMARK_WM5_SUBSYSTEM_VERSION} --file Velmark.exe=${VELMARK_DEVICE_EXE}
          --time-file ${VELMARK_COMMIT_TIME} ${VELMARK_DEVICE_CAB}
  DEPENDS ${VELMARK_DEVICE_EXE} ${tools}/make_cab.py ${tools}/cab_container.py ${tools}/platform_version.py
          ${CMAKE_CURRENT_SOURCE_DIR}/install-layout.json
          ${VELMARK_COMMIT_TIME} wm5_commit_time
  COMMENT "Writing the installer cab")
add_custom_target(Velmark ALL DEPENDS ${VELMARK_DEVICE_EXE} ${VELMARK_DEVICE_CAB})

install(FILES ${VELMARK_DEVICE_CAB} ${VELMARK_DEVICE_EXE} ${CMAKE_CURRENT_SOURCE_DIR}/INSTALL-ON-DEVICE.txt
        DESTINATION .)

# The CE loader that runs the image here, under qemu-arm.
add_subdirectory(${PROJECT_SOURCE_DIR}/celoader ${CMAKE_BINARY_DIR}/celoader)
