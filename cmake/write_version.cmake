# Writes the runner's version source: the project version, and `git
# describe` when the sources are a git checkout. Run at every build; the
# file is rewritten only when the text changes, so nothing rebuilds for
# nothing.
# usage: cmake -DSOURCE_DIR=... -DOUTPUT=... -DPROJECT_VERSION=... [-DTEMPLATE=...] -P write_version.cmake
# With TEMPLATE, OUTPUT is that file with @VELMARK_VERSION@ replaced (the
# page's build description); without, the runner's C++ source.
set(version "${PROJECT_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" describe --always --dirty --tags
                  WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE described
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
  if(status EQUAL 0 AND NOT described STREQUAL "")
    set(version "${version} (git ${described})")
  endif()
endif()
if(TEMPLATE)
  set(VELMARK_VERSION "${version}")
  file(READ "${TEMPLATE}" text)
  string(CONFIGURE "${text}" text @ONLY)
else()
  set(text "// Written by cmake/write_version.cmake at build time.\n#include \"version.h\"\n\nconst char *velmark::velmark_version() { return \"${version}\"; }\n")
endif()
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
