# The 64-bit half's test programs (named ...64, beside the 32-bit ones in the
# bin folder): the module tests over 64-bit objects, and the programs of
# both bitnesses driven by the companion and the host. Registered as tests
# by the 32-bit build.
add_library(test_support STATIC support/harness.cpp support/png.cpp)
target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(test_support PUBLIC gtest gdi32 user32 kernel32)
target_compile_definitions(test_support PUBLIC BRIVANE_HALF64_TESTS)
set(TEST_LINK_FLAGS -static -static-libgcc -static-libstdc++)

add_executable(client_windows64 WIN32 support/client_main.cpp)
target_include_directories(client_windows64 PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(client_windows64 PRIVATE comdlg32 comctl32 shlwapi user32 gdi32 kernel32)
target_link_options(client_windows64 PRIVATE ${TEST_LINK_FLAGS})

add_library(probe64 SHARED support/probe.cpp)
set_target_properties(probe64 PROPERTIES PREFIX "")
target_link_libraries(probe64 PRIVATE user32 kernel32)
target_link_options(probe64 PRIVATE ${TEST_LINK_FLAGS})

add_executable(test_module64 test_module.cpp)
target_link_libraries(test_module64 PRIVATE test_support gtest_main brivane_static)
target_compile_definitions(test_module64 PRIVATE BRIVANE_STATIC_TEST)
target_link_options(test_module64 PRIVATE ${TEST_LINK_FLAGS})
add_dependencies(test_module64 brivane client_windows64)

add_executable(test_bitness64 test_bitness.cpp)
target_link_libraries(test_bitness64 PRIVATE test_support gtest_main)
target_link_options(test_bitness64 PRIVATE ${TEST_LINK_FLAGS})
add_dependencies(test_bitness64 brivane brivane_companion client_windows64 probe64)
