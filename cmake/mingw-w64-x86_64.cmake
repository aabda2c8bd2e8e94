# Cross-builds the Windows executables on Debian with MinGW-w64 (64-bit, POSIX threads), the C
# and C++ runtimes linked in statically so that the .exe files need no DLLs of the compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KR55LE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KR55LE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KR55LE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KR55LE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KR55LE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine on the build machine.
find_program(KR55LE_WINE NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KR55LE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KR55LE_WINE})
endif()
