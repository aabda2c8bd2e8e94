// The system's side of the executables on Windows: the HID class driver, the execution-state
// hold, the wide-character command line and the console.
#include <fcntl.h>
#include <io.h>

#include "platform/factories.h"
#include "platform/win32/command_line.h"
#include "platform/win32/execution_state_hold.h"
#include "platform/win32/ui_languages.h"
#include "platform/win32/win32_hid_services.h"
#include "platform/win32/windows_headers.h"

namespace kr55le::platform {

// From the wide-character command line: argv holds the arguments in the ANSI code page, which
// may not have every character of a file's name.
std::vector<std::string> ProgramArguments(int, char**) {
  return win32::CommandLineArguments();
}

std::vector<std::string> LanguageWishes() {
  return win32::PreferredUiLanguages();
}

std::unique_ptr<hid::HidServices> MakeHidServices() {
  return std::make_unique<win32::Win32HidServices>();
}

std::unique_ptr<ReportLink> MakeReportLink() {
  return std::make_unique<ReportLink>();
}

std::unique_ptr<SystemHold> HoldSystemAwake() {
  return win32::TakeExecutionStateHold();
}

void UseBinaryOutput() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) {
  return ::_isatty(::_fileno(stream)) != 0;
}

// A console moves the cursor once asked to read VT100 sequences.
bool CursorMoves(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  if (!::GetConsoleMode(handle, &mode)) return false;
  return ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace kr55le::platform
