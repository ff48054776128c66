# Registers the native sanitizer and fuzzer runs as tests of the cross
# build, so that the one test command runs them and CTest's summary counts
# them. Included from tests/CMakeLists.txt; does nothing without clang on a
# Linux host (a Windows build has no native half).
if(NOT CMAKE_HOST_UNIX)
  return()
endif()
find_program(BRIVANE_HOST_CLANGXX clang++)
if(NOT BRIVANE_HOST_CLANGXX)
  message(STATUS "clang++ not found: no native sanitizer and fuzzer tests")
  return()
endif()

set(BRIVANE_FUZZ_SECONDS 30 CACHE STRING "Seconds each fuzzer runs in the test suite")
include(${CMAKE_SOURCE_DIR}/cmake/portable_sources.cmake)
include(${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)
set(NATIVE_DIR ${CMAKE_BINARY_DIR}/native)

add_test(NAME native_build COMMAND sh ${CMAKE_SOURCE_DIR}/fuzz/build.sh ${NATIVE_DIR})
set_tests_properties(native_build PROPERTIES FIXTURES_SETUP native TIMEOUT 600)

add_test(NAME native_unit_sanitizers COMMAND sh -c "exec \"$0\"" ${NATIVE_DIR}/unit_native)
set_tests_properties(native_unit_sanitizers PROPERTIES FIXTURES_REQUIRED native TIMEOUT 120)

foreach(name ${BRIVANE_FUZZERS})
  add_test(NAME ${name}
           COMMAND sh ${CMAKE_SOURCE_DIR}/fuzz/run_fuzzer.sh ${NATIVE_DIR} ${name} ${BRIVANE_FUZZ_SECONDS})
  math(EXPR limit "${BRIVANE_FUZZ_SECONDS} + 120")
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED native TIMEOUT ${limit})
endforeach()
