# velmark_python_path_for_tests(): gives every test of this folder defined
# so far the path the Python checks import from (the checks' module here,
# the CE loader's driver, the device image's tools), so that no check
# carries a path of its own. Call it after the folder's add_test calls.
set(VELMARK_TEST_PYTHONPATH
    "${CMAKE_CURRENT_LIST_DIR}:${PROJECT_SOURCE_DIR}/celoader:${PROJECT_SOURCE_DIR}")
function(velmark_python_path_for_tests)
  get_property(tests DIRECTORY PROPERTY TESTS)
  if(tests)
    set_property(TEST ${tests} APPEND PROPERTY ENVIRONMENT "PYTHONPATH=${VELMARK_TEST_PYTHONPATH}")
  endif()
endfunction()
