# Runs Windows test programs under Wine: a wrapper with a private prefix inside the build tree,
# code page 936 and a quiet Wine. ctest uses it as the cross-compiling emulator.
set(ICONX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(ICONX_WINE_HOME ${CMAKE_BINARY_DIR}/winehome)
set(ICONX_LOCALE_DIR ${CMAKE_BINARY_DIR}/locale)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(ICONX_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ICONX_WINE_RUN})
