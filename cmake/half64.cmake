# The 64-bit half: the same sources configured again for x64 in <build>/x64,
# with BRIVANE_HALF64 so that only brivane64.dll, the companion
# brivane64.exe and the 64-bit test programs are built. Everything lands in
# this build's bin folder beside the 32-bit programs.
include(ExternalProject)
if(MSVC)
  set(half64_generator CMAKE_GENERATOR_PLATFORM x64)
  set(half64_toolchain)
elseif(MINGW)
  set(half64_generator)
  set(half64_toolchain -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw64.cmake)
else()
  message(STATUS "No 64-bit half for this compiler")
  return()
endif()
# Make's own build step shares this build's job slots; a multi-config
# generator builds the configuration being built here.
get_property(half64_multi GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(half64_multi)
  set(half64_build BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --config $<CONFIG>)
else()
  set(half64_build)
endif()
ExternalProject_Add(half64
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/x64
  ${half64_generator}
  CMAKE_ARGS ${half64_toolchain}
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DBRIVANE_HALF64=ON
             -DBRIVANE_TESTS=${BRIVANE_TESTS}
             -DBRIVANE_BIN_DIR=${BRIVANE_BIN_DIR}
  ${half64_build}
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${BRIVANE_BIN_DIR}/brivane64.dll ${BRIVANE_BIN_DIR}/brivane64.exe
  INSTALL_COMMAND "")
# The host starts the companion: building the host builds both halves.
add_dependencies(brivane_host half64)

# The two shipped files as targets of this build, for the packages.
add_library(brivane64_module SHARED IMPORTED GLOBAL)
add_executable(brivane64_companion IMPORTED GLOBAL)
if(half64_multi)
  foreach(config ${CMAKE_CONFIGURATION_TYPES})
    string(TOUPPER ${config} upper)
    set_target_properties(brivane64_module PROPERTIES
                          IMPORTED_LOCATION_${upper} ${BRIVANE_BIN_DIR}/${config}/brivane64.dll
                          IMPORTED_IMPLIB_${upper} ${CMAKE_BINARY_DIR}/x64/${config}/brivane64.lib)
    set_target_properties(brivane64_companion PROPERTIES
                          IMPORTED_LOCATION_${upper} ${BRIVANE_BIN_DIR}/${config}/brivane64.exe)
  endforeach()
else()
  set_target_properties(brivane64_module PROPERTIES IMPORTED_LOCATION ${BRIVANE_BIN_DIR}/brivane64.dll
                        IMPORTED_IMPLIB ${CMAKE_BINARY_DIR}/x64/libbrivane64.dll.a)
  set_target_properties(brivane64_companion PROPERTIES IMPORTED_LOCATION ${BRIVANE_BIN_DIR}/brivane64.exe)
endif()
set_property(GLOBAL APPEND PROPERTY BRIVANE_SHIPPED_TARGETS brivane64_module brivane64_companion)
# Whatever depends on them waits for the 64-bit build.
add_dependencies(brivane64_module half64)
add_dependencies(brivane64_companion half64)
