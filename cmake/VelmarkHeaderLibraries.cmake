# Header-only libraries from Debian's packages, for every build, the cross
# builds included. Their headers live in /usr/include beside the host's C
# library, which a cross compiler must not see, so each library's own folder
# is linked into a folder of the build tree and only that is searched.

function(velmark_header_library target header package)
  get_filename_component(folder_name "${header}" DIRECTORY)
  find_path(${target}_ROOT "${header}" PATHS /usr/include /usr/local/include
            NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT ${target}_ROOT)
    message(FATAL_ERROR "${header} not found: install the Debian package ${package} "
                        "(scripts/install-deps.sh does)")
  endif()
  set(include_dir "${CMAKE_BINARY_DIR}/header_libraries/${target}")
  file(MAKE_DIRECTORY "${include_dir}")
  if(NOT EXISTS "${include_dir}/${folder_name}")
    file(CREATE_LINK "${${target}_ROOT}/${folder_name}" "${include_dir}/${folder_name}" SYMBOLIC)
  endif()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE "${include_dir}")
endfunction()
