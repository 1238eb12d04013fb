# Embeds every file listed in resources/manifest.txt into the program.
# Each line: <id> <name> <type> <file>; id 0 means "found by name only",
# name "-" means "found by id only". The bytes are pulled in by the
# assembler (.incbin), so large pictures cost nothing at compile time. Each
# resource is followed by one 0 byte, so text resources end like C strings.
#
# WebAssembly objects keep data in named segments whose symbols need a known
# size, and have no label arithmetic across them: there each resource gets a
# section of its own with its size written out, taken from the file here.
set(_manifest "${CMAKE_SOURCE_DIR}/resources/manifest.txt")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_manifest}")
file(STRINGS "${_manifest}" _lines REGEX "^[ \t]*[0-9]")

set(_asm "")
set(_decl "")
set(_table "")
set(_deps "")
set(_i 0)
foreach(_line IN LISTS _lines)
  string(REGEX REPLACE "[ \t]+" ";" _f "${_line}")
  list(LENGTH _f _n)
  if(NOT _n EQUAL 4)
    message(FATAL_ERROR "resources/manifest.txt: bad line '${_line}'")
  endif()
  list(GET _f 0 _id)
  list(GET _f 1 _name)
  list(GET _f 2 _type)
  list(GET _f 3 _file)
  set(_path "${CMAKE_SOURCE_DIR}/resources/${_file}")
  if(NOT EXISTS "${_path}")
    message(FATAL_ERROR "resources/manifest.txt names a missing file: ${_file}")
  endif()
  if(_name STREQUAL "-")
    set(_name "")
  endif()
  list(APPEND _deps "${_path}")
  if(EMSCRIPTEN)
    file(SIZE "${_path}" _size)
    math(EXPR _padded "${_size} + 1")
    string(APPEND _asm
      "    \".section .rodata.yule_res_${_i},\\\"\\\",@\\n\"\n"
      "    \".p2align 4\\n\"\n"
      "    \"yule_res_${_i}: .incbin \\\"${_path}\\\"\\n\"\n"
      "    \".byte 0\\n\"\n"
      "    \".size yule_res_${_i}, ${_padded}\\n\"\n")
    string(APPEND _decl "extern \"C\" const unsigned char yule_res_${_i}[];\n")
    string(APPEND _table
      "    {${_id}, \"${_name}\", \"${_type}\", yule_res_${_i}, yule_res_${_i} + ${_size}},\n")
  else()
    string(APPEND _asm
      "    \".balign 16\\n\"\n"
      "    \"yule_res_${_i}: .incbin \\\"${_path}\\\"\\n\"\n"
      "    \"yule_res_${_i}_end: .byte 0\\n\"\n")
    string(APPEND _decl "extern \"C\" const unsigned char yule_res_${_i}[], yule_res_${_i}_end[];\n")
    string(APPEND _table "    {${_id}, \"${_name}\", \"${_type}\", yule_res_${_i}, yule_res_${_i}_end},\n")
  endif()
  math(EXPR _i "${_i} + 1")
endforeach()

# Desktop: one read-only section for all. WebAssembly's assembler has no
# section stack; the asm above opens a section per resource, and the
# compiler names its own before anything else it emits.
set(_open "\".pushsection .rodata\\n\"\n")
set(_close "    \".popsection\\n\"")
if(EMSCRIPTEN)
  set(_open "")
  set(_close "    \"\"")
endif()

set(_out "${CMAKE_BINARY_DIR}/generated/resource_table.cpp")
file(CONFIGURE OUTPUT "${_out}" CONTENT [=[
// Generated from resources/manifest.txt; do not edit.
#include "platform/resources.h"

__asm__(@_open@@_asm@@_close@);

@_decl@
namespace {
struct RawEntry {
    int id;
    const char* name;
    const char* type;
    const unsigned char* begin;
    const unsigned char* end;
};
const RawEntry kRaw[] = {
@_table@    {0, nullptr, nullptr, nullptr, nullptr},
};
}  // namespace

int embeddedResourceCount() { return static_cast<int>(sizeof(kRaw) / sizeof(kRaw[0])) - 1; }

Resource embeddedResource(int index) {
    const RawEntry& e = kRaw[index];
    return Resource{e.id, e.name, e.type, e.begin, static_cast<uint32_t>(e.end - e.begin)};
}
]=] @ONLY)

add_library(yule_resources STATIC "${_out}")
target_include_directories(yule_resources PUBLIC "${CMAKE_SOURCE_DIR}")
set_source_files_properties("${_out}" PROPERTIES OBJECT_DEPENDS "${_deps}")
