# Writes a Windows module's .def file. With EXPORTS (tests/library/exports.txt): every export
# listed there under its Windows name (WINDOWS_NAMES, else the plain name), bound to the symbol
# that the objects define for it. With PATTERN instead: every symbol the objects define whose
# name matches. The objects are asked (NM over OBJECTS) rather than the list told, so that the
# stdcall byte counts always match the code: a plain stdcall export is "Name=Name@N", a typed one
# "?MSVCName=GccName@N", a cdecl one its own name. A listed export that no object defines fails
# the build.
#   cmake (-DEXPORTS=… -DWINDOWS_NAMES=… | -DPATTERN=regex) -DNM=… -DOBJECTS=a.obj|b.a
#     -DLIBRARY=X.dll -DOUTPUT=X.def -P windows_exports.cmake
string(REPLACE "|" ";" objects "${OBJECTS}")
execute_process(COMMAND ${NM} -g --defined-only ${objects} OUTPUT_VARIABLE symbols
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on the objects of ${LIBRARY}")
endif()

set(definitions "LIBRARY ${LIBRARY}\nEXPORTS\n")
# i386 COFF symbols carry a leading underscore that .def names leave out.
string(REGEX MATCHALL "[0-9a-f]+ [TDRB] _[^\n]+" symbols "${symbols}")
foreach(line ${symbols})
  string(REGEX REPLACE "^[0-9a-f]+ [TDRB] _" "" symbol "${line}")
  string(REGEX REPLACE "@[0-9]+$" "" name "${symbol}")
  set("defined_${name}" "${symbol}")
  if(DEFINED PATTERN AND name MATCHES "${PATTERN}")
    string(APPEND definitions "  ${symbol}\n")
  endif()
endforeach()

if(NOT DEFINED PATTERN)
  file(STRINGS ${WINDOWS_NAMES} lines REGEX "^[^#]")
  foreach(line ${lines})
    if(line MATCHES "^([^ ]+) +([^ ]+)")
      set("windows_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    endif()
  endforeach()

  set(written)
  file(STRINGS ${EXPORTS} lines REGEX "^[^#]")
  foreach(line ${lines})
    if(NOT line MATCHES "^([^ ]+)( +object)?")
      continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(data "${CMAKE_MATCH_2}")
    set(windows "${name}")
    if(DEFINED "windows_${name}")
      set(windows "${windows_${name}}")
    endif()
    if(windows STREQUAL "-")
      continue()
    endif()
    if(NOT DEFINED "defined_${name}")
      message(FATAL_ERROR "${EXPORTS}: no object of ${LIBRARY} defines ${name}")
    endif()
    # One name for two symbols (a constructor's complete and base variants, say) would leave
    # the caller's binding to chance.
    list(FIND written "${windows}" seen)
    if(NOT seen EQUAL -1)
      message(FATAL_ERROR "${WINDOWS_NAMES}: ${windows} is named twice")
    endif()
    list(APPEND written "${windows}")
    set(entry "${windows}")
    if(NOT windows STREQUAL "${defined_${name}}")
      string(APPEND entry "=${defined_${name}}")
    endif()
    if(data)
      string(APPEND entry " DATA")
    endif()
    string(APPEND definitions "  ${entry}\n")
  endforeach()
endif()

# Rewritten only when it changes, so that an unchanged list relinks nothing.
file(WRITE ${OUTPUT}.new "${definitions}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
