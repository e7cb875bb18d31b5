# velmark_scripted_run_answer(OUT): builds, with the host's compiler, the
# program that prints the host engine's answer for the CE loader's
# scripted counter (scripted_run_answer.cpp, with the engine's own sources
# and plain kernels), and sets OUT to its path. The device image and the
# browser's modules are held to that answer.
function(velmark_scripted_run_answer out)
  find_program(VELMARK_HOST_CXX NAMES c++ g++ REQUIRED)
  set(engine ${PROJECT_SOURCE_DIR}/engine)
  set(source ${PROJECT_SOURCE_DIR}/tests/support/scripted_run_answer.cpp)
  set(program ${CMAKE_CURRENT_BINARY_DIR}/scripted_run_answer)
  add_custom_command(OUTPUT ${program}
    COMMAND ${VELMARK_HOST_CXX} -std=c++17 -O2 -ffp-contract=off -fno-fast-math -I ${engine} -I ${engine}/plain
            -I ${PROJECT_SOURCE_DIR}/celoader -I ${PROJECT_SOURCE_DIR}/measure
            ${source} ${VELMARK_ENGINE_SOURCES} ${PROJECT_SOURCE_DIR}/measure/solution_check.cpp
            ${PROJECT_SOURCE_DIR}/measure/headline.cpp -o ${program}
    DEPENDS ${source} ${VELMARK_ENGINE_SOURCES} ${engine}/kernel_rules.h ${engine}/plain/fast_paths.h
            ${PROJECT_SOURCE_DIR}/celoader/scripted_counter.h ${PROJECT_SOURCE_DIR}/measure/solution_check.cpp
            ${PROJECT_SOURCE_DIR}/measure/headline.cpp ${PROJECT_SOURCE_DIR}/measure/headline.h
    COMMENT "Building the host engine's answer for the scripted counter")
  add_custom_target(scripted_run_answer ALL DEPENDS ${program})
  set(${out} ${program} PARENT_SCOPE)
endfunction()
