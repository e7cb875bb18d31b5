# Runs the host runner with ARGS and checks its exit status (EXPECT_STATUS)
# and that its output matches EXPECT_OUTPUT (a regular expression).
# usage: cmake -DRUNNER=... -DARGS="a;b" -DEXPECT_STATUS=2 -DEXPECT_OUTPUT=re -P this
execute_process(COMMAND ${RUNNER} ${ARGS} RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT status STREQUAL EXPECT_STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_STATUS}\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "output does not match '${EXPECT_OUTPUT}':\n${out}${err}")
endif()
