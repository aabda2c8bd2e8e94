# Cross-builds the 32-bit Windows executables on Debian with MinGW-w64 (see mingw-w64-common.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KR55LE_MINGW_TRIPLET i686-w64-mingw32)
set(KR55LE_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
