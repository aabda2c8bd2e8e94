// kr55le-flash: the utility's dialog without a window, for scripts and terminals. Each command
// runs the window's own handlers on the console host; inspect judges an image without a device.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/all_devices.h"
#include "cli/arguments.h"
#include "cli/device_command.h"
#include "cli/device_list.h"
#include "cli/device_wait.h"
#include "cli/exit_status.h"
#include "cli/inspect.h"
#include "cli/output.h"
#include "cli/station.h"
#include "image/utf8_file.h"
#include "platform/console/child_process.h"
#include "platform/console/interrupt_counter.h"
#ifdef _WIN32
#include "platform/win32/command_line.h"
#include "platform/win32/execution_state_hold.h"
#include "platform/win32/win32_hid_services.h"
#else
#include "platform/linux/hidraw_services.h"
#include "platform/linux/logind_hold.h"
#endif
#include "platform/record/recording_hid_services.h"
#include "platform/sim/bus_configs.h"
#include "platform/sim/payload_dump.h"
#include "platform/sim/sim_hid_services.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr std::string_view kToolName = "kr55le-flash";

#ifdef _WIN32
using PlatformHidServices = win32::Win32HidServices;
std::unique_ptr<SystemHold> HoldSystemAwake() {
  return win32::TakeExecutionStateHold();
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
// The arguments in UTF-8, from the system's wide-character command line: argv holds them in
// the ANSI code page, which may not have every character of a file's name.
std::vector<std::string> ProgramArguments(int, char**) {
  return win32::CommandLineArguments();
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
constexpr std::string_view kDumbTerminal = "dumb";
bool CursorMoves(std::FILE* stream) {
  const char* terminal = std::getenv("TERM");
  return IsTerminal(stream) && terminal != nullptr && terminal != kDumbTerminal;
}
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}
void UseBinaryOutput() {}
#endif

// List, or a device command.
int RunCommand(const FlashArguments& arguments, hid::HidServices& hid, FlashOutput& output,
               const ConsoleContext& context, std::string* selected) {
  if (arguments.each) return RunStation(arguments, hid, context, console::OwnExecutable(), stdout);
  // A wait that ends without a device goes on all the same: the scan then finds none.
  if (arguments.waitForDevice) WaitForDevice(hid, arguments, context);
  if (arguments.command == FlashCommand::List) {
    return PrintDeviceList(ListDevices(hid, arguments, context), stdout, arguments.json);
  }
  if (arguments.all)
    return RunOnAllDevices(arguments, hid, context, console::OwnExecutable(), stdout);
  return RunDeviceCommand(arguments, hid, output, context, selected);
}

// The command, recorded when asked (with --all or --each, each device's run records its own).
int RunOnBus(const FlashArguments& arguments, hid::HidServices& hid, FlashOutput& output,
             const ConsoleContext& context, std::string* selected) {
  if (!arguments.record || RunsPerDevice(arguments)) {
    return RunCommand(arguments, hid, output, context, selected);
  }
  std::FILE* file = OpenUtf8File(*arguments.record, "wb");
  if (file == nullptr) {
    PrintError(std::string(text::kRecordWriteFailed) + *arguments.record);
    return kExitNotDone;
  }
  const auto recorder = std::make_shared<record::SessionRecorder>(file, std::string(kToolName),
                                                                  KR55LE_VERSION, arguments.words);
  record::RecordingHidServices recorded(hid, recorder);
  int status = RunCommand(arguments, recorded, output, context, selected);
  if (!recorder->Close()) {
    PrintError(std::string(text::kRecordWriteFailed) + *arguments.record);
    status = kExitNotDone;
  }
  return status;
}

int RunSimulated(const FlashArguments& arguments, FlashOutput& output,
                 const ConsoleContext& context) {
  sim::SimHidServices hid;
  std::string error;
  const std::vector<sim::SimDeviceConfig> configs =
      sim::LoadDeviceConfigs(*arguments.simulate, error);
  if (!error.empty()) {
    PrintError(std::string(text::kCannotReplay) + error);
    return kExitNotDone;
  }
  std::vector<std::size_t> plugged;
  for (const sim::SimDeviceConfig& config : configs) plugged.push_back(hid.Plug(config));
  std::string selected;
  int status = RunOnBus(arguments, hid, output, context, &selected);
  // With --all or --each, each device's own run writes its dump.
  if (!arguments.simulateDump || RunsPerDevice(arguments)) return status;
  // The devices --device left out get no dump, so that runs that each select one device of
  // the same bus leave each other's dumps alone.
  std::vector<sim::DeviceDump> dumps;
  for (std::size_t index = 0; index < plugged.size(); ++index) {
    if (arguments.device && !hid::SameInterfacePath(hid.PathOf(plugged[index]), selected)) continue;
    dumps.push_back({configs[index].serialNumber, hid.AssembledImage(plugged[index])});
  }
  for (const std::string& path :
       sim::WritePayloadDumps(*arguments.simulateDump, configs.size(), dumps)) {
    PrintError(std::string(text::kDumpWriteFailed) + path);
    status = kExitNotDone;
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

  // A station ends on SIGTERM as on Ctrl+C: its runs stop as they would on the press.
  if (arguments.each) console::CountTerminationAsInterrupt();
  const ConsoleContext context{.interrupts = &console::InstallInterruptCounter(),
                               .errorsOnTerminal = IsTerminal(stderr),
                               .cursorMoves = CursorMoves(stderr),
                               .errors = stderr,
                               .holdSystemAwake = HoldSystemAwake};
  if (arguments.simulate) return RunSimulated(arguments, output, context);
  PlatformHidServices hid;
  return RunOnBus(arguments, hid, output, context, nullptr);
}

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  kr55le::UseBinaryOutput();
  const std::vector<std::string> arguments = kr55le::ProgramArguments(argc, argv);
  const std::vector<std::string_view> words(arguments.begin(), arguments.end());
  const kr55le::ParsedFlashArguments parsed = kr55le::ParseFlashArguments(words);
  if (!parsed.ok()) {
    kr55le::PrintError(parsed.error);
    std::fputs(std::string(kr55le::text::kFlashShortUsage).c_str(), stderr);
    return kr55le::kExitUsage;
  }
  return kr55le::Run(parsed.arguments);
}
