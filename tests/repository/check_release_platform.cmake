# The release platform follows the target, whatever machine builds it.
# cmake -DCASE=derive|mismatch -P check_release_platform.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/VelmarkPlatform.cmake)

function(expect system processor wm5 wanted)
  velmark_release_platform(got "" ON "${system}" "${processor}" "${wm5}")
  if(NOT got STREQUAL wanted)
    message(FATAL_ERROR "${system} on ${processor}: ${got}, expected ${wanted}")
  endif()
endfunction()

if(CASE STREQUAL "derive")
  expect(Linux x86_64 OFF linux-x86_64)
  expect(Linux aarch64 OFF linux-aarch64)   # the host-release preset on an ARM64 machine
  expect(Linux armel OFF linux-armel)
  expect(Windows x86_64 OFF windows-x86_64)
  expect(Generic armv4t ON wm5-armv4i)
  expect(Generic wasm32 OFF web)
  velmark_release_platform(none "" OFF Linux x86_64 OFF)
  if(none)
    message(FATAL_ERROR "a build that packs nothing has no release platform: ${none}")
  endif()
  message(STATUS "every target gets its own platform")
elseif(CASE STREQUAL "mismatch")
  velmark_release_platform(got linux-x86_64 ON Linux aarch64 OFF)
  message(STATUS "a platform given by hand for another machine was taken: ${got}")
endif()
