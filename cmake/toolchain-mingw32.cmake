# 32-bit Windows with mingw-w64 (64-bit when toolchain-mingw64.cmake sets
# KX_MINGW_64). The -posix compilers are needed because GoogleTest uses
# std::mutex, which the win32-thread compilers lack.
if(KX_MINGW_64)
  set(kx_triple x86_64-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
  set(kx_wine_arch --win64)
else()
  set(kx_triple i686-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(kx_wine_arch)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${kx_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kx_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${kx_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kx_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run through cmake/wine-run.sh, which points Wine at a throwaway prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${kx_wine_arch})
