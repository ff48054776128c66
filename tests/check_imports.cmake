# Fails unless DLL imports only the platform's DLLs, exports exactly the
# four undecorated names and stays within MAX_SIZE bytes; and unless none of
# OBJS ("|"-separated object files of the module) needs C-runtime start-up
# code, which the module is linked without.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
set(allowed kernel32.dll user32.dll gdi32.dll comctl32.dll shlwapi.dll shell32.dll
    msvcrt.dll advapi32.dll ole32.dll comdlg32.dll)
foreach(entry ${names})
  string(REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(FIND allowed ${dll} found)
  if(found EQUAL -1)
    get_filename_component(dll_name "${DLL}" NAME)
    message(FATAL_ERROR "${dll_name} imports ${dll}, which is not a platform DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
# Export table: lines "\t[   n] Name" after "[Ordinal/Name Pointer] Table".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)" m "${dump}")
string(REGEX MATCHALL "\\] [^\n]+" exports "${CMAKE_MATCH_1}")
set(got "")
foreach(e ${exports})
  string(REPLACE "] " "" e "${e}")
  string(STRIP "${e}" e)
  list(APPEND got ${e})
endforeach()
list(SORT got)
set(want EditIni_ RequestSettings_ SetHook_ UnHook_)
if(NOT "${got}" STREQUAL "${want}")
  message(FATAL_ERROR "exports are '${got}', expected '${want}'")
endif()
message(STATUS "exports ${got}")

# The module is mapped into every GUI program.
file(SIZE ${DLL} size)
message(STATUS "module-size: ${size} bytes (at most ${MAX_SIZE})")
if(DEFINED MAX_SIZE AND size GREATER MAX_SIZE)
  message(FATAL_ERROR "${DLL} is ${size} bytes, more than ${MAX_SIZE}")
endif()

# DllMain is the entry point: static constructors, destructors registered
# with atexit and thread-local data would never be set up or run.
string(REPLACE "|" ";" objs "${OBJS}")
foreach(obj ${objs})
  execute_process(COMMAND ${OBJDUMP} -h -t ${obj} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${obj}")
  endif()
  if(dump MATCHES "[ \t](\\.ctors|\\.dtors|\\.init_array|\\.tls)[ \t\n.$]")
    message(FATAL_ERROR "${obj} has a ${CMAKE_MATCH_1} section: start-up code the module does not run")
  endif()
  # An undefined symbol is one of section 0.
  if(dump MATCHES "\\(sec +0\\)[^\n]* (_atexit|___cxa_atexit|__onexit|___emutls_get_address)\n")
    message(FATAL_ERROR "${obj} calls ${CMAKE_MATCH_1}: start-up code the module does not run")
  endif()
endforeach()
list(LENGTH objs n)
message(STATUS "${n} objects need no start-up code")
