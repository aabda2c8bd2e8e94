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
  # A wait's poll calls into several files (the input buffer, the protocol, the dialog), and
  # each call costs more in the browser's WebAssembly than natively: the page is optimised as
  # one program, so that a silent device's waits last about as long as on the desktop.
  add_compile_options(-flto)
  add_link_options(-flto)
else()
  set(KR55LE_PLATFORM linux)
  set(KR55LE_SYSTEM_FAMILY posix)
  set(KR55LE_WINDOW ${KR55LE_BUILD_QT})  # the Qt window
endif()

# A program's version information, icon and manifest, where the system keeps them in the file.
function(kr55le_program_resources target description)
  if(COMMAND kr55le_windows_resources)
    kr55le_windows_resources(${target} "${description}" ${ARGN})
  endif()
endfunction()
