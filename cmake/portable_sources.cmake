# Value logic that needs no Windows API. These files also build natively on
# Linux (fuzz/), where they and the portable unit tests in tests/unit/ run
# under AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer.
set(BRIVANE_PORTABLE_SOURCES
  core/textbuf.cpp
  core/values.cpp
  core/profile_section.cpp
  core/favourite_add.cpp
  core/section_merge.cpp
  core/recent_list.cpp
  core/rules_value.cpp
  core/path_expand.cpp
  sheet/scramble.cpp
  sheet/section_text.cpp
  host/hostlogic.cpp
)
