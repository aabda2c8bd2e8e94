// The page in a web browser: the window on the devices granted to the page, or, when its
// address asks for one ("?simulate=KEY=VALUE,..."), on a simulated KR-55LE; recorded when the
// address asks ("&record"), for the page to offer as a download.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/demo_window.h"
#include "app/window_language.h"
#include "app/window_main.h"
#include "platform/factories.h"
#include "record/recording_hid_services.h"
#include "res/names.h"
#include "res/strings.h"

namespace {
// The arguments the page makes of its address's parameters (platform/web/page/loader.js).
constexpr std::string_view kSimulateArgument = "--simulate=";
constexpr std::string_view kDumpArgument = "--simulate-dump=";
constexpr std::string_view kRecordArgument = "--record=";
constexpr char kProgramName[] = "kr55le-upgrade";

// The value of the argument that starts with `prefix`, if any.
std::optional<std::string> ValueOf(const std::vector<std::string>& arguments,
                                   std::string_view prefix) {
  for (const std::string& argument : arguments) {
    if (argument.starts_with(prefix)) return argument.substr(prefix.size());
  }
  return std::nullopt;
}

// Says that the recording could not be written; the status that says so.
int RecordWriteFailed(const std::string& path) {
  std::fprintf(stderr, "%s: %s%s\n", kProgramName,
               std::string(kr55le::text::kRecordWriteFailed).c_str(), path.c_str());
  return 1;
}

// The window over `hid`, every HID call written to `path` as kr55le-flash --record writes it.
int RunRecorded(kr55le::hid::HidServices& hid, std::string_view instanceName,
                const std::string& path, const std::vector<std::string>& arguments) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return RecordWriteFailed(path);
  // Each event in the file as it happens: the page may save the recording at any moment.
  std::setvbuf(file, nullptr, _IONBF, 0);
  const auto recorder = std::make_shared<kr55le::record::SessionRecorder>(
      file, std::string(kProgramName), KR55LE_VERSION, arguments);
  kr55le::record::RecordingHidServices recorded(hid, recorder);
  const int status = kr55le::RunUpgradeWindow(recorded, instanceName);
  return recorder->Close() ? status : RecordWriteFailed(path);
}
}  // namespace

int main(int argc, char** argv) {
  const auto toolkit = kr55le::platform::StartWindowToolkit(argc, argv);
  std::vector<std::string> arguments = kr55le::platform::ProgramArguments(argc, argv);
  kr55le::UseWindowLanguage(arguments);
  const std::optional<std::string> record = ValueOf(arguments, kRecordArgument);
  const kr55le::WindowRun run = [&](kr55le::hid::HidServices& hid, std::string_view instance) {
    return record ? RunRecorded(hid, instance, *record, arguments)
                  : kr55le::RunUpgradeWindow(hid, instance);
  };
  if (const auto options = ValueOf(arguments, kSimulateArgument)) {
    return kr55le::RunDemoWindow("simulate", *options,
                                 ValueOf(arguments, kDumpArgument).value_or(std::string()), run);
  }
  const auto hid = kr55le::platform::MakeHidServices();
  return run(*hid, kr55le::name::kSingleInstanceName);
}
