# Build-time use of the regkit programs.
#
# regkit_generate_parts(TARGET <target> SOURCES <file>...
#                       [INCLUDE_FILE <file>] [NO_FORCE_HL | LOW_HIGH]
#                       [OUTPUT_DIR <dir>] [OUTPUT_VARIABLE <var>])
#
#   Runs kessrow on every part-description file at build time and writes
#   <OUTPUT_DIR>/<name>.h for <name>.<ext>. A header is regenerated when its
#   description file, the INCLUDE_FILE or kessrow itself changed; kessrow
#   rewrites it only when its text changes, so an edit that changes nothing
#   in the header recompiles nothing. The headers become sources of <target>
#   (so they are generated before it compiles) and <OUTPUT_DIR> is added to
#   its include directories (PUBLIC for libraries, PRIVATE for executables).
#   Call it in the directory that defines <target>.
#     INCLUDE_FILE  read before each source (kessrow -i), e.g. common settings
#     NO_FORCE_HL   keep bus ranges in declared order (kessrow -N)
#     LOW_HIGH      write bus ranges low:high (kessrow -L)
#     OUTPUT_DIR    default: <current binary dir>/regkit_parts/<target>
#     OUTPUT_VARIABLE  receives the list of generated headers
#
# regkit_check_registrations(NAME <name> HEADERS <file>...)
#
#   Adds the CTest test <name>, one "regkit check" of all the headers, which
#   fails when tolvane would change one of them (a Register() body is out of
#   date) or cannot scan it, printing one path:line: line per finding; and
#   the custom target <name>_update, which runs "regkit update" on them.
#   A HEADERS entry may be a directory: regkit walks it for headers.

if(NOT TARGET regkit::tolvane OR NOT TARGET regkit::kessrow OR NOT TARGET regkit::regkit)
  message(FATAL_ERROR "regkitFunctions.cmake needs the targets regkit::tolvane, regkit::kessrow and regkit::regkit")
endif()

function(regkit_generate_parts)
  cmake_parse_arguments(PARSE_ARGV 0 arg
    "NO_FORCE_HL;LOW_HIGH" "TARGET;INCLUDE_FILE;OUTPUT_DIR;OUTPUT_VARIABLE" "SOURCES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "regkit_generate_parts: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_TARGET)
    message(FATAL_ERROR "regkit_generate_parts: TARGET is required")
  endif()
  if(NOT TARGET ${arg_TARGET})
    message(FATAL_ERROR "regkit_generate_parts: ${arg_TARGET} is not a target")
  endif()
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "regkit_generate_parts: SOURCES is required")
  endif()
  if(arg_NO_FORCE_HL AND arg_LOW_HIGH)
    message(FATAL_ERROR "regkit_generate_parts: NO_FORCE_HL and LOW_HIGH exclude each other")
  endif()

  if(arg_OUTPUT_DIR)
    get_filename_component(out_dir "${arg_OUTPUT_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  else()
    set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/regkit_parts/${arg_TARGET}")
  endif()
  file(MAKE_DIRECTORY "${out_dir}")

  set(options "")
  if(arg_NO_FORCE_HL)
    list(APPEND options -N)
  elseif(arg_LOW_HIGH)
    list(APPEND options -L)
  endif()
  set(extra_depends "")
  if(arg_INCLUDE_FILE)
    get_filename_component(include_file "${arg_INCLUDE_FILE}" ABSOLUTE)
    list(APPEND options -i "${include_file}")
    list(APPEND extra_depends "${include_file}")
  endif()

  set(headers "")
  set(stamps "")
  foreach(source IN LISTS arg_SOURCES)
    get_filename_component(source "${source}" ABSOLUTE)
    get_filename_component(name "${source}" NAME_WE)
    set(header "${out_dir}/${name}.h")
    if(header IN_LIST headers)
      message(FATAL_ERROR "regkit_generate_parts: two sources make ${header}")
    endif()
    # Run in the output directory with a bare destination name: the include
    # guard kessrow derives from it is then _<name>_h_, not a build path.
    # kessrow leaves a header with unchanged text alone, so the header's time
    # cannot tell Make that the step is done; a stamp touched on every run
    # does, and the header is a byproduct (Ninja checks it again after the
    # run and recompiles only when it really changed).
    set(stamp "${header}.stamp")
    add_custom_command(
      OUTPUT "${stamp}"
      BYPRODUCTS "${header}"
      COMMAND regkit::kessrow "${source}" "${name}.h" ${options}
      COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
      DEPENDS "${source}" ${extra_depends} "$<TARGET_FILE:regkit::kessrow>"
      WORKING_DIRECTORY "${out_dir}"
      COMMENT "Generating part header ${name}.h"
      VERBATIM)
    list(APPEND headers "${header}")
    list(APPEND stamps "${stamp}")
  endforeach()

  target_sources(${arg_TARGET} PRIVATE ${headers} ${stamps})
  get_target_property(type ${arg_TARGET} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${arg_TARGET} INTERFACE "${out_dir}")
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${arg_TARGET} PRIVATE "${out_dir}")
  else()
    target_include_directories(${arg_TARGET} PUBLIC "${out_dir}")
  endif()
  if(arg_OUTPUT_VARIABLE)
    set(${arg_OUTPUT_VARIABLE} "${headers}" PARENT_SCOPE)
  endif()
endfunction()

function(regkit_check_registrations)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME" "HEADERS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "regkit_check_registrations: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_NAME OR NOT arg_HEADERS)
    message(FATAL_ERROR "regkit_check_registrations: NAME and HEADERS are required")
  endif()

  set(headers "")
  foreach(header IN LISTS arg_HEADERS)
    get_filename_component(header "${header}" ABSOLUTE)
    list(APPEND headers "${header}")
  endforeach()

  add_test(NAME ${arg_NAME} COMMAND "$<TARGET_FILE:regkit::regkit>" check ${headers})
  add_custom_target(${arg_NAME}_update
    COMMAND "$<TARGET_FILE:regkit::regkit>" update ${headers}
    COMMENT "Updating the Register() bodies of ${arg_NAME}"
    VERBATIM)
endfunction()
