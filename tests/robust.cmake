# Bad input and stress suites (under Wine). Parts of the module that are
# not in the tree yet are left out of them.
file(READ ${CMAKE_SOURCE_DIR}/hooks/filedialog.cpp _robust_fd)
set(ROBUST_DEFS BRIVANE_STRESS_DIALOGS=50 BRIVANE_STRESS_SHEETS=30)
if(_robust_fd MATCHES "TB_INSERTBUTTON")
  list(APPEND ROBUST_DEFS BRIVANE_HAVE_FILE_DIALOGS)
endif()

brivane_client(client_robust robust_client.cpp robust_ui.cpp)
brivane_wine_test(test_robust_stress test_robust_stress.cpp DEPENDS client_robust)
target_compile_definitions(test_robust_stress PRIVATE ${ROBUST_DEFS})

file(READ ${CMAKE_SOURCE_DIR}/core/settings.cpp _robust_settings)
set(INPUT_DEFS "")
if(_robust_fd MATCHES "TB_INSERTBUTTON")
  list(APPEND INPUT_DEFS BRIVANE_HAVE_FILE_DIALOGS)
endif()
if(_robust_settings MATCHES "fi\\.trans")
  list(APPEND INPUT_DEFS BRIVANE_HAVE_SETTINGS_LOADER)
endif()
brivane_wine_test(test_robust_input test_robust_input.cpp STATIC)
target_compile_definitions(test_robust_input PRIVATE ${INPUT_DEFS})

brivane_wine_test(test_robust_noblock test_robust_noblock.cpp robust_ui.cpp STATIC)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/menuitems/sheet_driver.cpp)
  brivane_wine_test(test_robust_pages test_robust_pages.cpp menuitems/sheet_driver.cpp
                    DEPENDS client_robust)
endif()
