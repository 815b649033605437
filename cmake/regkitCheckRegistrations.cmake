# Checks that tolvane would leave headers unchanged.
#
#   cmake -DTOLVANE=<path> -DWORK_DIR=<dir> [-DUPDATE_TARGET=<name>]
#         -P regkitCheckRegistrations.cmake -- <header>...
#
# Each header is run through tolvane into a fresh file in WORK_DIR, which is
# then compared with the header. Fails (exit status 1) when tolvane fails or
# when any header differs, naming the first differing line of each.

if(NOT TOLVANE OR NOT WORK_DIR)
  message(FATAL_ERROR "usage: cmake -DTOLVANE=<path> -DWORK_DIR=<dir> -P ${CMAKE_CURRENT_LIST_FILE} -- <header>...")
endif()

set(headers "")
set(after_dashes FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 1 ${last})
  if(after_dashes)
    list(APPEND headers "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(after_dashes TRUE)
  endif()
endforeach()
if(NOT headers)
  message(FATAL_ERROR "no headers given (they follow --)")
endif()

# Prints the first line in which the header and tolvane's text differ.
function(report_first_difference header header_text generated_text)
  set(line 1)
  while(TRUE)
    foreach(which header generated)
      string(FIND "${${which}_text}" "\n" cut)
      if(cut EQUAL -1)
        set(${which}_line "${${which}_text}")
        set(${which}_text "")
        set(${which}_more FALSE)
      else()
        string(SUBSTRING "${${which}_text}" 0 ${cut} ${which}_line)
        math(EXPR cut "${cut} + 1")
        string(SUBSTRING "${${which}_text}" ${cut} -1 ${which}_text)
        set(${which}_more TRUE)
      endif()
    endforeach()
    if(NOT header_line STREQUAL generated_line OR NOT header_more STREQUAL generated_more)
      message("  ${header}:${line}: first difference\n"
              "    header:  ${header_line}\n"
              "    tolvane: ${generated_line}")
      return()
    endif()
    if(NOT header_more)
      return()
    endif()
    math(EXPR line "${line} + 1")
  endwhile()
endfunction()

file(MAKE_DIRECTORY "${WORK_DIR}")
set(stale "")
set(index 0)
foreach(header IN LISTS headers)
  if(NOT EXISTS "${header}")
    message(FATAL_ERROR "${header} does not exist")
  endif()
  # A numbered name per header: two headers may share a base name. The file
  # is removed first, so tolvane always writes it.
  get_filename_component(name "${header}" NAME)
  set(result_file "${WORK_DIR}/${index}_${name}")
  math(EXPR index "${index} + 1")
  file(REMOVE "${result_file}")
  execute_process(
    COMMAND "${TOLVANE}" "${header}" "${result_file}"
    RESULT_VARIABLE status
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message("${output}")
    message(FATAL_ERROR "tolvane failed on ${header} (exit status ${status})")
  endif()
  if(NOT EXISTS "${result_file}")
    message("${output}")
    message(FATAL_ERROR "tolvane wrote no ${result_file}")
  endif()
  if(output MATCHES "\\*\\*\\*\\*\\* Warning")
    message("${output}")
  endif()
  file(READ "${header}" header_text)
  file(READ "${result_file}" generated_text)
  if(header_text STREQUAL generated_text)
    message("up to date: ${header}")
  else()
    report_first_difference("${header}" "${header_text}" "${generated_text}")
    list(APPEND stale "${header}")
  endif()
endforeach()

if(stale)
  list(LENGTH stale count)
  set(hint "")
  if(UPDATE_TARGET)
    set(hint "; build the target ${UPDATE_TARGET} to update them")
  endif()
  string(REPLACE ";" "\n  " stale "${stale}")
  message(FATAL_ERROR "Register() bodies out of date in ${count} header(s)${hint}:\n  ${stale}")
endif()
