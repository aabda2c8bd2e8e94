#include "cli/all_devices.h"

#include "cli/device_list.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/terminal_text.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr std::size_t kMessageCapacity = 1024;

}  // namespace

void PrintLeftOut(const ListedDevice& device, const ConsoleContext& context) {
  char line[kMessageCapacity];
  std::snprintf(line, sizeof line, std::string(text::kLeftOutFormat).c_str(),
                TerminalSafe(device.path).c_str(), device.problem.c_str());
  PrintError(line, context.errors);
}

int RunOnAllDevices(const FlashArguments& arguments, hid::HidServices& hid,
                    const ConsoleContext& context, const std::string& program, std::FILE* out) {
  DeviceRuns runs(arguments, context, program, out);
  bool any = false;
  for (const ListedDevice& device : ListDevices(hid, arguments, context)) {
    if (!device.answered) {
      PrintLeftOut(device, context);
      continue;
    }
    runs.Add(device);
    any = true;
  }
  if (!any) {
    PrintError(text::kNoDeviceAnswered, context.errors);
    PrintSummary({}, out, arguments.json);
    return kExitNotDone;
  }
  const std::size_t atOnce = RunsAtOnce();
  while (runs.Running() > 0 || (runs.Waiting() && !runs.Interrupted())) {
    runs.Step(atOnce, kInterruptLook);
  }
  const std::vector<DeviceRunResult> results = runs.Finish();
  PrintSummary(results, out, arguments.json);
  return AllDone(results) ? kExitDone : kExitNotDone;
}

}  // namespace kr55le
