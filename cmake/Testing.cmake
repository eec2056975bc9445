# GoogleTest for both builds. The native build uses Debian's prebuilt
# libraries; the Windows build compiles Debian's sources with mingw.
if(NOT KX_TESTS)
  return()
endif()
enable_testing()
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# kx_add_gtest(name SOURCES...): one test program; native tests are listed
# one by one, Windows ones run as one program under Wine (a warm Wine starts
# a program in ~15 ms, but listing tests would need Wine at build time).
function(kx_add_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
  if(WIN32)
    # The installer's own code page, UTF-8, for every test program.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/win32/Utf8.rc)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/tests/win32/Utf8.rc PROPERTIES OBJECT_DEPENDS
      ${PROJECT_SOURCE_DIR}/tests/win32/Utf8.manifest)
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
