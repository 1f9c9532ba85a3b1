# Writes the STRINGTABLE of quillon.rc from string_table.inc, so the Windows resources
# and the portable table come from one source.
#   cmake -DINPUT=res/string_table.inc -DOUTPUT=quillon_strings.rc -P string_table_rc.cmake
# Each entry is QUILLON_STRING(IDS_NAME, u8"text") on a line of its own; the resource
# compiler reads \n as a line break like C, but writes a quotation mark as "".
file(READ "${INPUT}" content)
# Keep ; [ ] out of the way of CMake's list splitting while the lines are walked.
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "[" "@LBRACKET@" content "${content}")
string(REPLACE "]" "@RBRACKET@" content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
set(body "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(//.*)?$")
    continue()
  endif()
  if(NOT line MATCHES "^QUILLON_STRING\\((IDS_[A-Z0-9_]+), u8\"(.*)\"\\)$")
    message(FATAL_ERROR "${INPUT}: not a string table entry: ${line}")
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(text "${CMAKE_MATCH_2}")
  string(REPLACE "\\\"" "\"\"" text "${text}")
  string(APPEND body "    ${name} \"${text}\"\n")
endforeach()
string(REPLACE "@SEMICOLON@" ";" body "${body}")
string(REPLACE "@LBRACKET@" "[" body "${body}")
string(REPLACE "@RBRACKET@" "]" body "${body}")
file(WRITE "${OUTPUT}.tmp"
     "// Generated from string_table.inc at build time; edit that file instead.\n"
     "STRINGTABLE\nBEGIN\n${body}END\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
