# The fuzz targets and what each needs. A target is built only when every
# source it exercises is in BRIVANE_PORTABLE_SOURCES, so the tree builds
# while the value code arrives piece by piece.
#   name  |  portable sources it needs (comma-separated)
set(BRIVANE_FUZZ_TABLE
  "fuzz_textbuf|core/textbuf.cpp"
  "fuzz_values|core/values.cpp"
  "fuzz_scramble|sheet/scramble.cpp"
  "fuzz_section_text|sheet/section_text.cpp,core/profile_section.cpp"
  "fuzz_header_line|sheet/section_text.cpp"
  "fuzz_path_expand|core/path_expand.cpp"
)

# BRIVANE_FUZZERS: the names whose sources are all there.
set(BRIVANE_FUZZERS "")
foreach(row ${BRIVANE_FUZZ_TABLE})
  string(REPLACE "|" ";" parts "${row}")
  string(REPLACE "," ";" parts "${parts}")
  list(GET parts 0 name)
  list(REMOVE_AT parts 0)
  set(ok TRUE)
  foreach(src ${parts})
    if(NOT src IN_LIST BRIVANE_PORTABLE_SOURCES)
      set(ok FALSE)
    endif()
  endforeach()
  if(ok)
    list(APPEND BRIVANE_FUZZERS ${name})
  endif()
endforeach()
