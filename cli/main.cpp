// kr55le-flash: the utility's dialog without a window, for scripts and terminals. Each command
// runs the window's own handlers on the console host; inspect judges an image without a device.
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
#include "platform/console/reader_gone.h"
#include "platform/factories.h"
#include "record/recording_hid_services.h"
#include "res/language.h"
#include "res/names.h"
#include "res/strings.h"
#include "sim/bus_configs.h"
#include "sim/payload_dump.h"
#include "sim/sim_hid_services.h"

namespace kr55le {
namespace {

constexpr std::string_view kToolName = "kr55le-flash";

bool OutputReaderGone() {
  return console::ReaderGone(stdout) || console::ReaderGone(stderr);
}

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
    std::printf(std::string(name::kFlashVersionFormat).c_str(), KR55LE_VERSION);
    return kExitDone;
  }
  const bool inspect = arguments.command == FlashCommand::Inspect;
  FlashOutput output(stdout, arguments.json ? OutputFormat::Json : OutputFormat::Lines,
                     inspect ? MessageList::Omitted : MessageList::Included);
  if (inspect) return RunInspect(arguments.image, output);

  // A station ends on SIGTERM as on Ctrl+C: its runs stop as they would on the press.
  if (arguments.each) console::CountTerminationAsInterrupt();
  // A device command whose reader has gone (a run whose station has died) stops as on Ctrl+C. A
  // station or --all that loses its reader may end by SIGPIPE: its runs, which it reads, then
  // stop that way in turn.
  const bool watchReader = !RunsPerDevice(arguments);
  if (watchReader) console::KeepWritesFromEndingProgram();
  const ConsoleContext context{.interrupts = &console::InstallInterruptCounter(),
                               .errorsOnTerminal = platform::IsTerminal(stderr),
                               .cursorMoves = platform::CursorMoves(stderr),
                               .errors = stderr,
                               .holdSystemAwake = platform::HoldSystemAwake,
                               .readerGone = watchReader ? OutputReaderGone : nullptr};
  if (arguments.simulate) return RunSimulated(arguments, output, context);
  const std::unique_ptr<hid::HidServices> hid = platform::MakeHidServices();
  return RunOnBus(arguments, *hid, output, context, nullptr);
}

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  kr55le::platform::UseBinaryOutput();
  const std::vector<std::string> arguments = kr55le::platform::ProgramArguments(argc, argv);
  // The runs of --all and --each get the option among their words, so the parser sees it too.
  std::vector<std::string> withoutLanguage = arguments;
  kr55le::i18n::UseProgramLanguage(withoutLanguage, kr55le::platform::LanguageWishes());
  const std::vector<std::string_view> words(arguments.begin(), arguments.end());
  const kr55le::ParsedFlashArguments parsed = kr55le::ParseFlashArguments(words);
  if (!parsed.ok()) {
    kr55le::PrintError(parsed.error);
    std::fputs(std::string(kr55le::text::kFlashShortUsage).c_str(), stderr);
    return kr55le::kExitUsage;
  }
  // Scripts read --json: its texts stay the English ones, whatever the language.
  if (parsed.arguments.json) kr55le::i18n::UseLanguage({});
  return kr55le::Run(parsed.arguments);
}
