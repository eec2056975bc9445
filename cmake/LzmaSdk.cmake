# The LZMA SDK's C sources as Debian's lzma-dev installs them (9.22, public
# domain): the decoder for the stub and every reader, the encoder for
# kxpack. Built single-threaded (_7ZIP_ST): the encoder's second thread
# needs sources Debian doesn't ship.
set(KX_LZMA_SDK_DIR /usr/include/lzma CACHE PATH "The LZMA SDK's C sources (Debian's lzma-dev)")
if(NOT EXISTS ${KX_LZMA_SDK_DIR}/LzmaDec.c)
  message(FATAL_ERROR "no LZMA SDK in ${KX_LZMA_SDK_DIR}: scripts/deps.sh installs lzma-dev")
endif()

# That folder also holds liblzma's headers (base.h, version.h, ...): only
# the SDK's own headers go on the include path, copied.
foreach(header Types.h LzmaDec.h LzmaEnc.h)
  configure_file(${KX_LZMA_SDK_DIR}/${header} ${CMAKE_BINARY_DIR}/lzma-sdk/${header} COPYONLY)
endforeach()

add_library(kxlzmadec STATIC ${KX_LZMA_SDK_DIR}/LzmaDec.c)
target_include_directories(kxlzmadec SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/lzma-sdk)
target_compile_definitions(kxlzmadec PUBLIC _7ZIP_ST)

add_library(kxlzmaenc STATIC ${KX_LZMA_SDK_DIR}/LzmaEnc.c ${KX_LZMA_SDK_DIR}/LzFind.c)
target_link_libraries(kxlzmaenc PUBLIC kxlzmadec)
# LzmaEnc.c keeps a variable only its two-thread build reads, assigns a
# handle to itself to silence another compiler, and indents one statement
# as if an if held it; the SDK's own code, left as published.
target_compile_options(kxlzmaenc PRIVATE -Wno-unused-but-set-variable
  $<$<C_COMPILER_ID:Clang>:-Wno-self-assign -Wno-misleading-indentation>)
