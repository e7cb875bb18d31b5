# Checks that every object of a static library is tagged for one ARM
# architecture: the engine's code stays ARMv4T in the ARM Linux build,
# although the C library it links needs ARMv5TE.
# cmake -DREADELF=... -DLIBRARY=... -DARCH=v4T -P check_arm_architecture.cmake
execute_process(COMMAND ${READELF} -A ${LIBRARY} OUTPUT_VARIABLE attributes RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} -A ${LIBRARY} failed")
endif()
string(REGEX MATCHALL "File: [^\n]*" objects "${attributes}")
string(REGEX MATCHALL "Tag_CPU_arch: [^\n]*" tags "${attributes}")
list(LENGTH objects object_count)
list(LENGTH tags tag_count)
set(wanted "Tag_CPU_arch: ${ARCH}")
list(REMOVE_ITEM tags "${wanted}")
if(object_count EQUAL 0 OR NOT object_count EQUAL tag_count OR tags)
  message(FATAL_ERROR "${LIBRARY}: ${object_count} objects, ${tag_count} architecture tags, "
                      "tags other than ${ARCH}: ${tags}")
endif()
message(STATUS "${LIBRARY}: all ${object_count} objects are ${ARCH}")
