# Writes the checked-out commit's time, in seconds since 1970, for the time
# stamps of the device cab's members, so that one commit gives one cab.
# Sources that are no git checkout take SOURCE_DATE_EPOCH, else 1980-01-01,
# the earliest time a cab can hold. Run at every build; the file is
# rewritten only when the time changes, so nothing rebuilds for nothing.
# usage: cmake -DSOURCE_DIR=... -DOUTPUT=... -P write_commit_time.cmake
set(seconds 315532800)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(seconds "$ENV{SOURCE_DATE_EPOCH}")
endif()
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                  WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE committed
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
  if(status EQUAL 0 AND committed MATCHES "^[0-9]+$")
    set(seconds "${committed}")
  endif()
endif()
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL "${seconds}\n")
  file(WRITE "${OUTPUT}" "${seconds}\n")
endif()
