# What both MinGW-w64 cross builds share (included by mingw-w64-x86_64.cmake and
# mingw-w64-i686.cmake, which set KR55LE_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first): POSIX
# threads, the C and C++ runtimes linked in statically so that the .exe files need no DLLs of
# the compiler, and the headers held to Windows 7 SP1.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KR55LE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KR55LE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KR55LE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KR55LE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The oldest system the executables run on is Windows 7 SP1 (0x0601): the headers then declare
# nothing newer, so a call to a later function does not compile and has to be looked up at run
# time.
set(KR55LE_WINDOWS_VERSION_FLAGS "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_C_FLAGS_INIT "${KR55LE_WINDOWS_VERSION_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${KR55LE_WINDOWS_VERSION_FLAGS}")
set(CMAKE_RC_FLAGS_INIT "${KR55LE_WINDOWS_VERSION_FLAGS}")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine on the build machine: wine64 for 64-bit executables, wine (from wine32)
# for 32-bit ones.
find_program(KR55LE_WINE NAMES ${KR55LE_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH
             NO_CMAKE_FIND_ROOT_PATH)
if(KR55LE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KR55LE_WINE})
endif()
