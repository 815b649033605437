# Build-time use of the regkit programs.
#
# regkit_generate_parts(TARGET <target> SOURCES <file>...
#                       [INCLUDE_FILE <file>] [NO_FORCE_HL | LOW_HIGH]
#                       [OUTPUT_DIR <dir>] [OUTPUT_VARIABLE <var>])
#
#   Runs "regkit generate" (kessrow's engine: the header kessrow writes) on
#   every part-description file at build time and writes
#   <OUTPUT_DIR>/<name>.h for <name>.<ext>. A header is regenerated when its
#   description file, the INCLUDE_FILE or regkit itself changed, or when it
#   is missing; it is rewritten only when its text changes, so an edit
#   that changes nothing in the header recompiles nothing. A run that
#   succeeds prints nothing; one that fails prints its errors as a compiler
#   does (path:line:col: error: ...) and fails the build. The headers become sources of <target>
#   (so they are generated before it compiles) and <OUTPUT_DIR> is added to
#   its include directories (PUBLIC for libraries, PRIVATE for executables).
#   Call it in the directory that defines <target>.
#     INCLUDE_FILE  read before each source (kessrow -i), e.g. common settings
#     NO_FORCE_HL   keep bus ranges in declared order (kessrow -N)
#     LOW_HIGH      write bus ranges low:high (kessrow -L)
#     OUTPUT_DIR    default: <current binary dir>/regkit_parts/<target>
#     OUTPUT_VARIABLE  receives the list of generated headers
#
# regkit_check_registrations(NAME <name> HEADERS <file>... [BUILD])
#
#   Adds the CTest test <name>, one "regkit check" of all the headers, which
#   fails when tolvane would change one of them (a Register() body is out of
#   date) or cannot scan it, printing one path:line: line per finding; and
#   the custom target <name>_update, which runs "regkit update" on them.
#   A HEADERS entry may be a directory: regkit walks it for headers.
#     BUILD  also check while building: the target <name>_check, part of
#            "all", fails the build on a finding, and says which
#            "regkit update" command brings the headers up to date. It runs
#            when a header or a configuration file (.regkit.toml) that
#            applies to the headers changed (on every build when HEADERS
#            names a directory) and prints nothing when all is well.
#   regkit reads the .regkit.toml files above the headers itself (their
#   exclude, ext and part-include keys).

if(NOT TARGET regkit::tolvane OR NOT TARGET regkit::kessrow OR NOT TARGET regkit::regkit)
  message(FATAL_ERROR "regkitFunctions.cmake needs the targets regkit::tolvane, regkit::kessrow and regkit::regkit")
endif()

# Runs a program of a build step so that it prints only when it fails.
set(_regkit_run_script "${CMAKE_CURRENT_LIST_DIR}/regkitRun.cmake")

# _regkit_quiet_command(<var> [HINT <text>] COMMAND <command>...): sets <var>
# to the COMMAND arguments of a custom command that runs <command> through
# _regkit_run_script (HINT is shown after the output when it fails).
function(_regkit_quiet_command var)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "HINT" "COMMAND")
  string(REPLACE ";" "$<SEMICOLON>" command "${arg_COMMAND}")
  set(run "${CMAKE_COMMAND}" "-DREGKIT_COMMAND=${command}")
  if(arg_HINT)
    list(APPEND run "-DREGKIT_HINT=${arg_HINT}")
  endif()
  list(APPEND run -P "${_regkit_run_script}")
  set(${var} "${run}" PARENT_SCOPE)
endfunction()

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
    # guard derived from it is then _<name>_h_, not a build path.
    # A header with unchanged text is left alone, so the header's time
    # cannot tell Make that the step is done; a stamp touched on every run
    # does, and the header is a byproduct (Ninja checks it again after the
    # run and recompiles only when it really changed, and runs the step
    # again when the header is missing).
    set(stamp "${header}.stamp")
    set(header_depends "")
    if(CMAKE_GENERATOR MATCHES "Makefiles")
      # Make knows only the stamp: a rule without inputs or effect gives the
      # header a time when it is missing (only then), which makes the stamp
      # older than the header, and so the header is made again.
      add_custom_command(OUTPUT "${header}" COMMAND "${CMAKE_COMMAND}" -E true COMMENT "" VERBATIM)
      set(header_depends "${header}")
      set(byproducts "")
    else()
      set(byproducts BYPRODUCTS "${header}")
    endif()
    add_custom_command(
      OUTPUT "${stamp}"
      ${byproducts}
      COMMAND "$<TARGET_FILE:regkit::regkit>" generate "${source}" -o "${name}.h" ${options}
      COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
      DEPENDS "${source}" ${extra_depends} "$<TARGET_FILE:regkit::regkit>" ${header_depends}
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

# _regkit_config_files(<var> <dir>): sets <var> to the .regkit.toml files
# that regkit reads for the files of <dir>: in <dir> and each directory
# above it, up to one that says root = true.
function(_regkit_config_files var dir)
  set(files "")
  while(TRUE)
    if(EXISTS "${dir}/.regkit.toml" AND NOT IS_DIRECTORY "${dir}/.regkit.toml")
      list(APPEND files "${dir}/.regkit.toml")
      file(STRINGS "${dir}/.regkit.toml" root REGEX "^[ \t]*root[ \t]*=[ \t]*true")
      if(root)
        break()
      endif()
    endif()
    get_filename_component(parent "${dir}" DIRECTORY)
    if(parent STREQUAL dir OR parent STREQUAL "")
      break()
    endif()
    set(dir "${parent}")
  endwhile()
  set(${var} "${files}" PARENT_SCOPE)
endfunction()

function(regkit_check_registrations)
  cmake_parse_arguments(PARSE_ARGV 0 arg "BUILD" "NAME" "HEADERS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "regkit_check_registrations: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_NAME OR NOT arg_HEADERS)
    message(FATAL_ERROR "regkit_check_registrations: NAME and HEADERS are required")
  endif()

  set(headers "")
  set(configs "")
  set(any_directory FALSE)
  foreach(header IN LISTS arg_HEADERS)
    get_filename_component(header "${header}" ABSOLUTE)
    list(APPEND headers "${header}")
    if(IS_DIRECTORY "${header}")
      _regkit_config_files(found "${header}")
    else()
      get_filename_component(header_dir "${header}" DIRECTORY)
      _regkit_config_files(found "${header_dir}")
    endif()
    list(APPEND configs ${found})
    list(REMOVE_DUPLICATES configs)
    if(IS_DIRECTORY "${header}")
      set(any_directory TRUE)
    endif()
  endforeach()

  add_test(NAME ${arg_NAME} COMMAND "$<TARGET_FILE:regkit::regkit>" check ${headers})
  add_custom_target(${arg_NAME}_update
    COMMAND "$<TARGET_FILE:regkit::regkit>" update ${headers}
    COMMENT "Updating the Register() bodies of ${arg_NAME}"
    VERBATIM)

  if(arg_BUILD)
    string(REPLACE ";" " " update_args "${headers}")
    _regkit_quiet_command(run
      HINT "To bring them up to date, run: $<TARGET_FILE:regkit::regkit> update ${update_args}"
      COMMAND "$<TARGET_FILE:regkit::regkit>" check ${headers})
    set(comment "Checking the Register() bodies of ${arg_NAME}")
    if(any_directory)
      # Which files a directory holds is regkit's to find out: check on
      # every build.
      add_custom_target(${arg_NAME}_check ALL COMMAND ${run} COMMENT "${comment}" VERBATIM)
    else()
      set(stamp "${CMAKE_CURRENT_BINARY_DIR}/regkit_check/${arg_NAME}.stamp")
      file(MAKE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/regkit_check")
      add_custom_command(
        OUTPUT "${stamp}"
        COMMAND ${run}
        COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
        DEPENDS ${headers} ${configs} "$<TARGET_FILE:regkit::regkit>"
        COMMENT "${comment}"
        VERBATIM)
      add_custom_target(${arg_NAME}_check ALL DEPENDS "${stamp}")
    endif()
  endif()
endfunction()
