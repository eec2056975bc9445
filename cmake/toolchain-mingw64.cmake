# 64-bit Windows with mingw-w64: the tests alone, for machines whose kernel
# starts no 32-bit programs (scripts/check-32bit.sh), run by 64-bit Wine.
set(KX_MINGW_64 ON)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw32.cmake)
