# GoogleTest: the system's build on Linux; for a cross build, built here from the sources that
# Debian's googletest package ships, with the cross compiler.
set(KR55LE_GOOGLETEST_SOURCE_DIR "" CACHE PATH "GoogleTest sources to build (cross builds)")

if(KR55LE_GOOGLETEST_SOURCE_DIR)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KR55LE_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(library gtest gtest_main gmock gmock_main)
    # Its own sources do not pass our warning flags, nor need to. (It names its targets
    # GTest::gtest and so on itself.)
    target_compile_options(${library} PRIVATE -w)
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
