# Bad input and stress suites (under Wine).
brivane_client(client_robust robust_client.cpp robust_ui.cpp)
brivane_wine_test(test_robust_stress test_robust_stress.cpp DEPENDS client_robust)
# 200 file dialogs and 100 sheets opened and closed in one hooked program,
# with the object counts compared before and after.
target_compile_definitions(test_robust_stress PRIVATE
                           BRIVANE_STRESS_DIALOGS=200 BRIVANE_STRESS_SHEETS=100)
# About 7 minutes when the 32-bit programs run under the emulator.
set_tests_properties(test_robust_stress PROPERTIES TIMEOUT 1200)

brivane_wine_test(test_robust_input test_robust_input.cpp STATIC)
brivane_wine_test(test_robust_noblock test_robust_noblock.cpp robust_ui.cpp STATIC)
brivane_wine_test(test_robust_pages test_robust_pages.cpp menuitems/sheet_driver.cpp
                  DEPENDS client_robust)
