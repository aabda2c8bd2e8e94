// kr55le-flash: the utility's dialog without a window, for scripts and terminals. Each command
// runs the window's own handlers on the console host; inspect judges an image without a device.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "cli/exit_status.h"
#include "cli/inspect.h"
#include "cli/output.h"
#include "platform/console/interrupt_counter.h"
#ifdef _WIN32
#include "platform/win32/execution_state_hold.h"
#include "platform/win32/win32_hid_services.h"
#else
#include "platform/linux/hidraw_services.h"
#include "platform/linux/logind_hold.h"
#endif
#include "platform/sim/payload_dump.h"
#include "platform/sim/sim_hid_services.h"
#include "res/strings.h"

namespace kr55le {
namespace {

#ifdef _WIN32
using PlatformHidServices = win32::Win32HidServices;
std::unique_ptr<SystemHold> HoldSystemAwake() {
  return win32::TakeExecutionStateHold();
}
bool IsTerminal(std::FILE* stream) {
  return ::_isatty(::_fileno(stream)) != 0;
}
// Lines end in '\n' alone, as on Linux, so that scripts read the same bytes on both.
void UseBinaryOutput() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}
#else
using PlatformHidServices = LinuxHidServices;
std::unique_ptr<SystemHold> HoldSystemAwake() {
  return TakeLogindHold(stderr);
}
bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}
void UseBinaryOutput() {}
#endif

void PrintError(std::string_view message) {
  std::fprintf(stderr, "%.*s%.*s\n", static_cast<int>(text::kFlashErrorPrefix.size()),
               text::kFlashErrorPrefix.data(), static_cast<int>(message.size()), message.data());
}

int RunSimulated(const FlashArguments& arguments, FlashOutput& output,
                 const ConsoleContext& context) {
  sim::SimHidServices hid;
  std::optional<std::size_t> first;
  for (std::size_t device = 0; device < arguments.simulate->deviceCount; ++device) {
    const std::size_t plugged = hid.Plug(arguments.simulate->config);
    if (!first) first = plugged;
  }
  int status = RunDeviceCommand(arguments, hid, output, context);
  if (arguments.simulateDump) {
    // The first device takes the lowest node, so it is the one the dialog selects.
    const std::vector<std::uint8_t> payload =
        first ? hid.AssembledImage(*first) : std::vector<std::uint8_t>();
    if (!sim::WritePayloadDump(*arguments.simulateDump, payload)) {
      PrintError(std::string(text::kDumpWriteFailed) + *arguments.simulateDump);
      status = kExitNotDone;
    }
  }
  return status;
}

int Run(const FlashArguments& arguments) {
  if (arguments.command == FlashCommand::Help) {
    std::fputs(std::string(text::kFlashUsage).c_str(), stdout);
    return kExitDone;
  }
  if (arguments.command == FlashCommand::Version) {
    std::printf(std::string(text::kFlashVersionFormat).c_str(), KR55LE_VERSION);
    return kExitDone;
  }
  const bool inspect = arguments.command == FlashCommand::Inspect;
  FlashOutput output(stdout, arguments.json ? OutputFormat::Json : OutputFormat::Lines,
                     inspect ? MessageList::Omitted : MessageList::Included);
  if (inspect) return RunInspect(arguments.image, output);

  const ConsoleContext context{&console::InstallInterruptCounter(), IsTerminal(stderr), stderr,
                               HoldSystemAwake};
  if (arguments.simulate) return RunSimulated(arguments, output, context);
  PlatformHidServices hid;
  return RunDeviceCommand(arguments, hid, output, context);
}

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  kr55le::UseBinaryOutput();
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  const kr55le::ParsedFlashArguments parsed = kr55le::ParseFlashArguments(words);
  if (!parsed.ok()) {
    kr55le::PrintError(parsed.error);
    std::fputs(std::string(kr55le::text::kFlashShortUsage).c_str(), stderr);
    return kr55le::kExitUsage;
  }
  return kr55le::Run(parsed.arguments);
}
