# GoogleTest: Debian's library natively; built from Debian's sources for Windows.
if(WIN32)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest's own texts are not GBK; <chrono> holds a literal that GBK cannot encode.
  target_compile_options(gtest PRIVATE -fexec-charset=UTF-8)
  target_compile_options(gtest_main PRIVATE -fexec-charset=UTF-8)
  # Newer googletest sources define these aliases themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()

# One test executable per area; each runs as one ctest entry (under Wine for Windows).
function(iconx_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()
