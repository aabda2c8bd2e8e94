// The system's side of the executables on Linux: hidraw, logind's hold, a POSIX terminal.
#include <unistd.h>

#include <cstdlib>

#include "platform/factories.h"
#include "platform/linux/hidraw_services.h"
#include "platform/linux/logind_hold.h"
#include "res/language.h"

namespace kr55le::platform {
namespace {

// The terminal type that understands no cursor movement.
constexpr std::string_view kDumbTerminal = "dumb";

}  // namespace

// Arguments arrive in the locale's encoding, UTF-8 on every current Linux desktop.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::vector<std::string> LanguageWishes() {
  return i18n::PosixLanguageWishes();
}

std::unique_ptr<hid::HidServices> MakeHidServices() {
  return std::make_unique<LinuxHidServices>();
}

std::unique_ptr<ReportLink> MakeReportLink() {
  return std::make_unique<ReportLink>();
}

std::unique_ptr<SystemHold> HoldSystemAwake() {
  return TakeLogindHold(stderr);
}

void UseBinaryOutput() {}

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

bool CursorMoves(std::FILE* stream) {
  const char* terminal = std::getenv("TERM");
  return IsTerminal(stream) && terminal != nullptr && terminal != kDumbTerminal;
}

}  // namespace kr55le::platform
