# Runs PROGRAM and compares its standard output with the file EXPECTED.
execute_process(COMMAND "${PROGRAM}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed (${status}):\n${errors}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT output STREQUAL expected)
  get_filename_component(name "${PROGRAM}" NAME)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/${name}.actual.txt" "${output}")
  message(FATAL_ERROR "output differs from ${EXPECTED}; it is in "
          "${CMAKE_CURRENT_BINARY_DIR}/${name}.actual.txt:\n${output}")
endif()
message("${output}")
