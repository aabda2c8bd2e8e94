#include "cli/station.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "cli/all_devices.h"
#include "cli/device_list.h"
#include "cli/device_runs.h"
#include "cli/exit_status.h"
#include "cli/notice_watch.h"
#include "cli/output.h"
#include "cli/terminal_text.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr std::size_t kMessageCapacity = 1024;

class Station {
 public:
  Station(const FlashArguments& arguments, hid::HidServices& hid, const ConsoleContext& context,
          const std::string& program, std::FILE* out)
      : arguments_(arguments),
        context_(context),
        watch_(hid),
        runs_(arguments, context, program, out),
        left_(arguments.eachLimit.value_or(std::numeric_limits<std::size_t>::max())) {}

  std::vector<DeviceRunResult> Run() {
    const std::size_t atOnce = RunsAtOnce();
    Look({});
    for (;;) {
      const bool accepting = left_ > 0 && !runs_.Interrupted();
      if (!accepting && runs_.Running() == 0 && (!runs_.Waiting() || runs_.Interrupted())) break;
      runs_.Step(atOnce, kInterruptLook);
      // While no run writes, the wait is on the notices.
      const NoticeBatch batch =
          watch_.Await(runs_.Running() == 0 ? kInterruptLook : std::chrono::milliseconds::zero());
      // A run whose device went away (and perhaps came back) meanwhile left its path unknown.
      std::vector<std::string> ended = runs_.TakeEnded();
      const bool endedUnknown = std::any_of(
          ended.begin(), ended.end(), [this](const auto& path) { return !tracker_.Known(path); });
      if (left_ > 0 && !runs_.Interrupted() && (batch.arrival || batch.removal || endedUnknown)) {
        Look(batch);
      }
    }
    return runs_.Finish();
  }

 private:
  // Identifies the devices that are new since the last look; each whose serial number has no
  // run yet gets one.
  void Look(NoticeBatch batch) {
    const std::vector<std::string> arrived = tracker_.Arrived(
        watch_.Enumerate(), batch, [this](const std::string& path) { return runs_.Busy(path); });
    for (const std::string& path : arrived) {
      if (left_ == 0 || runs_.Interrupted()) return;
      const ListedDevice device = IdentifyDevice(watch_, path, arguments_, context_);
      if (!device.answered) {
        PrintLeftOut(device, context_);
        continue;
      }
      const std::string& serial = device.identification.serial;
      if (std::find(serials_.begin(), serials_.end(), serial) != serials_.end()) {
        char line[kMessageCapacity];
        std::snprintf(line, sizeof line, std::string(text::kUpgradedOnceFormat).c_str(),
                      TerminalSafe(path).c_str(), TerminalSafe(serial).c_str());
        PrintError(line, context_.errors);
        continue;
      }
      serials_.push_back(serial);
      runs_.Add(device);
      --left_;
    }
  }

  const FlashArguments& arguments_;
  const ConsoleContext& context_;
  NoticeWatch watch_;  // listening before the first look, so that no arrival is missed
  ArrivalTracker tracker_;
  DeviceRuns runs_;
  std::vector<std::string> serials_;  // each device's with a run, in this run of the station
  std::size_t left_;                  // devices still to upgrade
};

}  // namespace

int RunStation(const FlashArguments& arguments, hid::HidServices& hid,
               const ConsoleContext& context, const std::string& program, std::FILE* out) {
  const std::vector<DeviceRunResult> results = Station(arguments, hid, context, program, out).Run();
  if (results.empty()) PrintError(text::kNoDeviceUpgraded, context.errors);
  PrintSummary(results, out, arguments.json);
  return AllDone(results) ? kExitDone : kExitNotDone;
}

}  // namespace kr55le
