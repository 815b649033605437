# Runs one program of a build step quietly, for regkitFunctions.cmake:
#
#   cmake -D REGKIT_COMMAND=<program;argument;...> [-D REGKIT_HINT=<text>]
#         -P regkitRun.cmake
#
# A run that succeeds prints nothing. A run that fails prints everything the
# program printed (standard output and error, in the order written), then
# REGKIT_HINT when given and the exit status is 1 (for regkit: some file is
# out of date, which the hint says how to mend), and fails the step.

if(NOT REGKIT_COMMAND)
  message(FATAL_ERROR "regkitRun.cmake: REGKIT_COMMAND is not set")
endif()

execute_process(COMMAND ${REGKIT_COMMAND}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(status EQUAL 0)
  return()
endif()

# The programs open their reports with blank lines and may end without a
# line feed: the report is shown without the blank lines around it, and
# message() ends it with a line feed, so the next line of the build log
# starts on a line of its own.
string(REGEX REPLACE "^\n+" "" output "${output}")
string(REGEX REPLACE "\n+$" "" output "${output}")
if(REGKIT_HINT AND status EQUAL 1)
  string(APPEND output "\n${REGKIT_HINT}")
endif()
if(NOT output STREQUAL "")
  message("${output}")
endif()
list(GET REGKIT_COMMAND 0 program)
get_filename_component(program "${program}" NAME)
if(status MATCHES "^[0-9]+$")
  set(status "exit status ${status}")
endif()
message(FATAL_ERROR "${program} failed (${status}).")
