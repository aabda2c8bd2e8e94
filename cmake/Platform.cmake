# The one place that picks the platform the executables are built for. Its folder under
# platform/ builds two libraries under fixed names, which the executables link without naming a
# system:
#   kr55le::platform         HID services, the hold on sleep, arguments, the terminal;
#   kr55le::platform_window  the window host and its start-up services (when a window is built).
# Both implement platform/factories.h. A new platform is one folder and one branch here.
if(WIN32)
  set(KR55LE_PLATFORM win32)
  set(KR55LE_SYSTEM_FAMILY win32)  # the terminal host's child processes, signals and notices
  set(KR55LE_WINDOW ON)            # the system's own dialog, nothing to install
  enable_language(RC)
  # windows.h without its rarely used parts (and their macros, such as `interface`) and without
  # min and max macros.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
  include(cmake/WindowsResources.cmake)
elseif(EMSCRIPTEN)
  set(KR55LE_PLATFORM web)
  set(KR55LE_SYSTEM_FAMILY none)  # a page has no terminal: kr55le-flash is not built
  set(KR55LE_WINDOW ON)           # the page renders the dialog in HTML
else()
  set(KR55LE_PLATFORM linux)
  set(KR55LE_SYSTEM_FAMILY posix)
  set(KR55LE_WINDOW ${KR55LE_BUILD_QT})  # the Qt window
endif()

# A wait for a silent device is a counted loop whose poll calls into several files (the input
# buffer, the protocol, the dialog): how long it lasts depends on whether those calls are
# inlined. The programs people run (the package, the page, the benchmarks' build) are therefore
# optimised as one program, each platform alike, so that a wait lasts about as long everywhere.
# Builds with tests are not: every test executable would redo it.
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND NOT KR55LE_BUILD_TESTS)
  if(EMSCRIPTEN)
    # Full rather than the thin kind CMake picks for clang: the page's waits were measured so.
    add_compile_options(-flto)
    add_link_options(-flto)
  else()
    set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
endif()

# A program's version information, icon and manifest, where the system keeps them in the file.
function(kr55le_program_resources target description)
  if(COMMAND kr55le_windows_resources)
    kr55le_windows_resources(${target} "${description}" ${ARGN})
  endif()
endfunction()
