# Installation, the CMake package "regkit" and the Debian package.
#
#   cmake --install <build> --prefix <prefix>
#     bin/tolvane, bin/kessrow, bin/regkit
#     share/man/man1/tolvane.1.gz, kessrow.1.gz, regkit.1.gz (plain pages
#       where gzip is missing)
#     share/doc/regkit/: README.md, the user guides (docs/*.md), copyright
#       (the licence), changelog.gz (CHANGELOG.md)
#     share/bash-completion/completions/regkit (regkit's bash completion)
#     share/lintian/overrides/regkit (what lintian reports on purpose)
#     <libdir>/cmake/regkit/regkitConfig.cmake (+ version file, targets,
#       functions and the script they run the programs through)
#   cpack --config <build>/CPackConfig.cmake   ->  regkit_<version>_<arch>.deb

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(REGKIT_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/regkit"
    CACHE STRING "Where the CMake package files of regkit are installed (relative to the prefix)")

# The same names inside this build as for users of the installed package, so
# that regkitFunctions.cmake also works in a tree that adds regkit as a
# subdirectory.
foreach(program tolvane kessrow regkit)
  if(TARGET ${program} AND NOT TARGET regkit::${program})
    add_executable(regkit::${program} ALIAS ${program})
  endif()
endforeach()

if(TARGET tolvane AND TARGET kessrow AND TARGET regkit)
  install(TARGETS tolvane kessrow regkit
          EXPORT regkitTargets
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(EXPORT regkitTargets
          NAMESPACE regkit::
          DESTINATION ${REGKIT_INSTALL_CMAKEDIR})
else()
  message(WARNING "regkit: tolvane, kessrow or regkit is not built; the CMake package is not installed")
endif()

# Manual pages and the changelog are installed compressed as Debian wants
# them (gzip -9n: no name, no time stamp, so the bytes depend on the text
# alone).
find_program(REGKIT_GZIP gzip)
set(regkit_pages ${PROJECT_SOURCE_DIR}/docs/man/tolvane.1 ${PROJECT_SOURCE_DIR}/docs/man/kessrow.1
                 ${PROJECT_SOURCE_DIR}/docs/man/regkit.1)
if(REGKIT_GZIP)
  set(compressed)
  foreach(source ${regkit_pages} ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
    get_filename_component(name ${source} NAME)
    if(source MATCHES "CHANGELOG.md$")
      set(name changelog)
    endif()
    set(copy ${PROJECT_BINARY_DIR}/compressed/${name})
    add_custom_command(OUTPUT ${copy}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
      COMMAND ${REGKIT_GZIP} -9nf ${copy}
      DEPENDS ${source}
      VERBATIM)
    list(APPEND compressed ${copy}.gz)
  endforeach()
  add_custom_target(regkit_compressed ALL DEPENDS ${compressed})
  list(FILTER compressed EXCLUDE REGEX "changelog.gz$")
  set(regkit_pages ${compressed})
  install(FILES ${PROJECT_BINARY_DIR}/compressed/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME changelog)
endif()
install(FILES ${regkit_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The bash completion of regkit, where bash-completion loads it on demand.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/regkit-completion.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME regkit)

# The user guides beside the manual pages, which point at them, and the
# licence under the name Debian gives it.
file(GLOB regkit_guides ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${regkit_guides} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/regkitConfig.cmake.in
  ${PROJECT_BINARY_DIR}/regkitConfig.cmake
  INSTALL_DESTINATION ${REGKIT_INSTALL_CMAKEDIR}
  NO_SET_AND_CHECK_MACRO)
# Only programs are installed, no libraries: a consumer of any architecture
# (a 32-bit or cross build, too) can run them.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/regkitConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion
  ARCH_INDEPENDENT)
install(FILES ${PROJECT_BINARY_DIR}/regkitConfig.cmake
              ${PROJECT_BINARY_DIR}/regkitConfigVersion.cmake
              ${CMAKE_CURRENT_LIST_DIR}/regkitFunctions.cmake
              ${CMAKE_CURRENT_LIST_DIR}/regkitRun.cmake
        DESTINATION ${REGKIT_INSTALL_CMAKEDIR})

# Debian package: cpack --config CPackConfig.cmake (run in the build tree).
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "regkit")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "regkit developers")
set(CPACK_PACKAGE_CONTACT "regkit developers <regkit@example.org>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "code generators for C++ member registration and part classes")
set(CPACK_PACKAGE_DESCRIPTION
    "tolvane keeps the Register() bodies of C++ classes up to date: one
registration call per data member, regenerated in place. kessrow turns
part-description files into C++ headers with one class per part, its
ports, pins and a complete Register() method. regkit checks or updates
a whole source tree with tolvane in one process. All come with manual pages
and a CMake package (find_package(regkit)) that runs them at build time.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "devel")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# tolvane and kessrow are linked statically (REGKIT_STATIC, never with the
# sanitizers, which are never packaged); built with REGKIT_STATIC=OFF they
# carry the C++ runtime and need glibc 2.34 symbols only. regkit carries the
# C++ runtime and links the shared C library and libgit2 (libgit2-<major.minor>
# in Debian).
find_package(PkgConfig REQUIRED)
pkg_check_modules(REGKIT_PACKAGE_GIT2 REQUIRED libgit2)
string(REGEX MATCH "^[0-9]+\\.[0-9]+" git2_series "${REGKIT_PACKAGE_GIT2_VERSION}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgit2-${git2_series}")
if(NOT REGKIT_STATIC OR NOT REGKIT_CAN_LINK_STATIC)
  set(REGKIT_STATIC_OVERRIDES "")
else()
  set(REGKIT_STATIC_OVERRIDES
      "# The programs are linked statically on purpose: a run on a small file then starts as fast as cat.\n")
  foreach(program kessrow tolvane)
    string(APPEND REGKIT_STATIC_OVERRIDES "regkit: statically-linked-binary [usr/bin/${program}]\n")
  endforeach()
endif()
# What lintian reports on purpose, each with its reason.
configure_file(${CMAKE_CURRENT_LIST_DIR}/lintian-overrides.in ${PROJECT_BINARY_DIR}/lintian-overrides @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME regkit)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake (>= 3.17)")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "TGZ")
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
