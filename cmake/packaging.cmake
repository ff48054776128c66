# Release packages. `cmake --build build --target package` writes into
# build/packages:
#   brivane-<version>-portable.zip  the programs, brivane.ini beside them
#                                   (which makes the host use it: portable)
#                                   and the README;
#   brivane-<version>-setup.exe     the per-user installer (makensis, from
#                                   cmake/installer.nsi).
# Included from the top CMakeLists after every shipped target is defined.

# The version comes from its one definition, res/version.h.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/version.h _version_lines REGEX "#define BRIVANE_VERSION_(MAJOR|MINOR|PATCH) ")
foreach(_part MAJOR MINOR PATCH)
  string(REGEX MATCH "BRIVANE_VERSION_${_part} +([0-9]+)" _m "${_version_lines}")
  set(_v_${_part} ${CMAKE_MATCH_1})
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/version.h)
# "1.55" as the About page shows it; four numbers for version resources.
set(BRIVANE_VERSION ${_v_MAJOR}.${_v_MINOR})
set(BRIVANE_VERSION4 ${_v_MAJOR}.${_v_MINOR}.${_v_PATCH}.0)

set(BRIVANE_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)

# What ships: the host and the module, and whatever else adds itself to the
# global property BRIVANE_SHIPPED_TARGETS (the 64-bit module and its
# companion program, when they are built).
get_property(_extra GLOBAL PROPERTY BRIVANE_SHIPPED_TARGETS)
set(BRIVANE_SHIPPED brivane_host brivane)
foreach(t IN LISTS _extra)
  if(TARGET ${t})
    list(APPEND BRIVANE_SHIPPED ${t})
  endif()
endforeach()
list(REMOVE_DUPLICATES BRIVANE_SHIPPED)

# --- portable zip (CPack) -----------------------------------------------------
foreach(t IN LISTS BRIVANE_SHIPPED)
  install(FILES $<TARGET_FILE:${t}> DESTINATION .)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/host/default.ini DESTINATION . RENAME brivane.ini)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME brivane)
set(CPACK_PACKAGE_VERSION ${BRIVANE_VERSION})
set(CPACK_PACKAGE_FILE_NAME brivane-${BRIVANE_VERSION}-portable)
set(CPACK_PACKAGE_DIRECTORY ${BRIVANE_PACKAGE_DIR})
set(BRIVANE_ZIP ${BRIVANE_PACKAGE_DIR}/brivane-${BRIVANE_VERSION}-portable.zip)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

# --- installer (makensis) -----------------------------------------------------
# CPack's own NSIS generator does not run in a cross build on Linux, so the
# installer is an ordinary build step; `package` builds everything first,
# so it writes both packages.
find_program(MAKENSIS makensis)
set(BRIVANE_INSTALLER ${BRIVANE_PACKAGE_DIR}/brivane-${BRIVANE_VERSION}-setup.exe)
if(MAKENSIS)
  set(_files "")
  set(_shipped "")
  foreach(t IN LISTS BRIVANE_SHIPPED)
    string(APPEND _files "File \"$<TARGET_FILE:${t}>\"\n")
    string(APPEND _shipped "!insertmacro RemoveShipped \"$<TARGET_FILE_NAME:${t}>\"\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/installer/files.nsh CONTENT "${_files}")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/installer/shipped.nsh CONTENT "${_shipped}")
  set(_deps)
  foreach(t IN LISTS BRIVANE_SHIPPED)
    list(APPEND _deps $<TARGET_FILE:${t}>)
  endforeach()
  # A 64-bit build ships a 64-bit host, which a 32-bit installer would put
  # in place all the same; the installer follows the build so that it runs
  # wherever the build's own programs run.
  set(_nsis_target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_nsis_target -DTARGET64)
  endif()
  add_custom_command(
    OUTPUT ${BRIVANE_INSTALLER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIVANE_PACKAGE_DIR}
    COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8
            -DVERSION=${BRIVANE_VERSION} -DVERSION4=${BRIVANE_VERSION4}
            -DOUTFILE=${BRIVANE_INSTALLER}
            -DFILES=${CMAKE_BINARY_DIR}/installer/files.nsh
            -DSHIPPED=${CMAKE_BINARY_DIR}/installer/shipped.nsh
            -DINI=${CMAKE_SOURCE_DIR}/host/default.ini
            -DICON=${CMAKE_SOURCE_DIR}/res/favico2.ico ${_nsis_target}
            ${CMAKE_SOURCE_DIR}/cmake/installer.nsi
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/installer.nsi ${CMAKE_SOURCE_DIR}/host/default.ini
            ${CMAKE_BINARY_DIR}/installer/files.nsh ${CMAKE_BINARY_DIR}/installer/shipped.nsh ${_deps}
    COMMENT "Writing the installer brivane-${BRIVANE_VERSION}-setup.exe"
    VERBATIM)
  add_custom_target(installer ALL DEPENDS ${BRIVANE_INSTALLER})
  add_dependencies(installer ${BRIVANE_SHIPPED})
else()
  message(STATUS "makensis not found: no installer (Debian package nsis)")
endif()
