# Real PE modules for the tests, compiled from .rc files with the MinGW resource compiler and
# linked as resource-only DLLs, 32-bit (PE32) and 64-bit (PE32+). Both builds use them.
find_program(ICONX_WINDRES32 i686-w64-mingw32-windres REQUIRED)
find_program(ICONX_WINDRES64 x86_64-w64-mingw32-windres REQUIRED)
find_program(ICONX_MINGW_GCC32 i686-w64-mingw32-gcc REQUIRED)
find_program(ICONX_MINGW_GCC64 x86_64-w64-mingw32-gcc REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# iconx_pe_fixture(OUTPUT name.dll RC file.rc BITS 32|64 DEPENDS files...)
# Only the rule: a target that uses the file lists it among its sources or a custom target's
# DEPENDS so that it is built.
function(iconx_pe_fixture)
  cmake_parse_arguments(ARG "" "OUTPUT;RC;BITS" "DEPENDS" ${ARGN})
  if(ARG_BITS EQUAL 64)
    set(windres ${ICONX_WINDRES64})
    set(gcc ${ICONX_MINGW_GCC64})
  else()
    set(windres ${ICONX_WINDRES32})
    set(gcc ${ICONX_MINGW_GCC32})
  endif()
  # The commands run in the binary folder, so a relative .rc is taken from the source folder.
  get_filename_component(rc ${ARG_RC} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(output ${ARG_OUTPUT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  get_filename_component(rcdir ${rc} DIRECTORY)
  set(obj ${output}.res.o)
  # GNU ld for PE has no --no-entry: entry point 0 makes a DLL without code, and -s keeps the
  # file to headers and resources.
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${windres} --codepage=65001 -I ${rcdir} -I ${CMAKE_CURRENT_BINARY_DIR} -i ${rc} -o ${obj}
    COMMAND ${gcc} -shared -nostdlib -s -Wl,-e,0 -Wl,--no-insert-timestamp -o ${output} ${obj}
    DEPENDS ${rc} ${ARG_DEPENDS}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    VERBATIM)
endfunction()
