# cmake -DSYMBOL=name -DINPUTS=a.lua|b.lua -DOUTPUT=out.cpp -P scramble_lua_script.cmake
# Writes a source that defines `const char SYMBOL[]`: the inputs one after another, each byte
# plus 7 modulo 256, NUL-terminated. The chunk runner takes 7 off again.
string(REPLACE "|" ";" inputs "${INPUTS}")
set(hex "")
set(names "")
foreach(input IN LISTS inputs)
  file(READ "${input}" part HEX)
  string(APPEND hex "${part}")
  get_filename_component(name "${input}" NAME)
  list(APPEND names "${name}")
endforeach()
list(JOIN names " + " names)

string(REGEX MATCHALL ".." bytes "${hex}")
set(body "")
set(line "")
set(count 0)
foreach(byte IN LISTS bytes)
  math(EXPR scrambled "(0x${byte} + 7) % 256" OUTPUT_FORMAT HEXADECIMAL)
  if(scrambled EQUAL 0 OR byte STREQUAL "00")
    message(FATAL_ERROR "${names}: a byte 0x${byte} would end or break the NUL-terminated text")
  endif()
  string(SUBSTRING "${scrambled}" 2 -1 digits)
  if(digits MATCHES "^.$")
    set(digits "0${digits}")
  endif()
  string(APPEND line "\\x${digits}")
  math(EXPR count "${count} + 1")
  if(count EQUAL 24)
    string(APPEND body "    \"${line}\"\n")
    set(line "")
    set(count 0)
  endif()
endforeach()
if(NOT line STREQUAL "")
  string(APPEND body "    \"${line}\"\n")
endif()
if(body STREQUAL "")
  set(body "    \"\"\n")
endif()

file(WRITE "${OUTPUT}.new" "// Generated from ${names} at build time; see cmake/scramble_lua_script.cmake.
#include \"overlay/lua_command_scripts.h\"

namespace Zo::KV9RudiVeruv {

extern const char ${SYMBOL}[] =
${body};

}  // namespace Zo::KV9RudiVeruv
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
