# Real PE modules for the tests, compiled from .rc files with the MinGW resource compiler and
# linked as resource-only DLLs, 32-bit (PE32) and 64-bit (PE32+). Both builds use them.
find_program(ICONX_WINDRES32 i686-w64-mingw32-windres REQUIRED)
find_program(ICONX_WINDRES64 x86_64-w64-mingw32-windres REQUIRED)
find_program(ICONX_MINGW_GCC32 i686-w64-mingw32-gcc REQUIRED)
find_program(ICONX_MINGW_GCC64 x86_64-w64-mingw32-gcc REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# iconx_pe_fixture(OUTPUT name.dll RC file.rc BITS 32|64 DEPENDS files...)
function(iconx_pe_fixture)
  cmake_parse_arguments(ARG "" "OUTPUT;RC;BITS" "DEPENDS" ${ARGN})
  if(ARG_BITS EQUAL 64)
    set(windres ${ICONX_WINDRES64})
    set(gcc ${ICONX_MINGW_GCC64})
  else()
    set(windres ${ICONX_WINDRES32})
    set(gcc ${ICONX_MINGW_GCC32})
  endif()
  get_filename_component(rcdir ${ARG_RC} DIRECTORY)
  set(obj ${ARG_OUTPUT}.res.o)
  add_custom_command(
    OUTPUT ${ARG_OUTPUT}
    COMMAND ${windres} --codepage=65001 -I ${rcdir} -I ${CMAKE_CURRENT_BINARY_DIR} -i ${ARG_RC} -o ${obj}
    COMMAND ${gcc} -shared -nostdlib -Wl,-e,0 -Wl,--no-insert-timestamp -o ${ARG_OUTPUT} ${obj}
    DEPENDS ${ARG_RC} ${ARG_DEPENDS}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    VERBATIM)
endfunction()
