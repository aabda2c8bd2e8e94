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
      bool endedUnknown = false;
      for (const DeviceRunResult& ended : runs_.TakeEnded()) {
        endedUnknown = endedUnknown || !tracker_.Known(ended.path);
        if (ended.result == text::kResultOtherDevice) Release(ended);
      }
      if (left_ > 0 && !runs_.Interrupted() && (batch.arrival || batch.removal || endedUnknown)) {
        Look(batch);
      }
    }
    return runs_.Finish();
  }

  // Whether a device was left alone for want of a serial number that tells it apart.
  bool LeftAlone() const { return leftAlone_; }

 private:
  // Identifies the devices that are new since the last look; each that its serial number tells
  // apart from the others attached, and that has had no run yet, gets one.
  void Look(NoticeBatch batch) {
    const std::vector<hid::HidInterface> present = watch_.Enumerate();
    const std::vector<std::string> arrived = tracker_.Arrived(
        present, batch, [this](const std::string& path) { return runs_.Busy(path); });
    // A device gone, or one whose path is about to be identified afresh, is attached no longer.
    std::erase_if(attached_, [&](const ListedDevice& device) {
      const auto at = [&device](const auto& path) {
        return hid::SameInterfacePath(path, device.path);
      };
      return std::any_of(arrived.begin(), arrived.end(), at) ||
             std::none_of(present.begin(), present.end(),
                          [&at](const hid::HidInterface& interface) { return at(interface.path); });
    });
    for (const std::string& path : arrived) {
      if (left_ == 0 || runs_.Interrupted()) return;
      const ListedDevice device = IdentifyDevice(watch_, path, arguments_, context_);
      if (!device.answered) {
        PrintLeftOut(device, context_);
        continue;
      }
      const std::string why = WhyLeftAlone(device);
      attached_.push_back(device);
      if (!why.empty()) {
        PrintError(why, context_.errors);
        continue;
      }
      serials_.push_back(device.identification.serial);
      runs_.Add(device);
      --left_;
    }
  }

  // The line that says why the device gets no run; empty when it gets one. A device that its
  // serial number does not tell apart makes the station not done.
  std::string WhyLeftAlone(const ListedDevice& device) {
    const std::string& serial = device.identification.serial;
    std::string_view format;
    if (serial.empty()) {
      format = text::kEmptySerialFormat;
    } else if (std::any_of(attached_.begin(), attached_.end(),
                           [&serial](const ListedDevice& other) {
                             return other.identification.serial == serial;
                           })) {
      format = text::kSameSerialFormat;
    } else if (std::find(serials_.begin(), serials_.end(), serial) != serials_.end()) {
      return Formatted(text::kUpgradedOnceFormat, device);
    } else {
      return {};
    }
    leftAlone_ = true;
    return Formatted(format, device);
  }

  static std::string Formatted(std::string_view format, const ListedDevice& device) {
    char line[kMessageCapacity];
    std::snprintf(line, sizeof line, std::string(format).c_str(), TerminalSafe(device.path).c_str(),
                  TerminalSafe(device.identification.serial).c_str());
    return line;
  }

  // A run that found another device at its path sent this one nothing: it may have a run again,
  // at once when it is attached elsewhere by now.
  void Release(const DeviceRunResult& ended) {
    const std::string& serial = ended.serial;
    std::erase(serials_, serial);
    if (arguments_.eachLimit) ++left_;
    const auto elsewhere =
        std::find_if(attached_.begin(), attached_.end(), [&ended](const ListedDevice& device) {
          return device.identification.serial == ended.serial &&
                 !hid::SameInterfacePath(device.path, ended.path);
        });
    if (elsewhere == attached_.end() || left_ == 0 || runs_.Interrupted()) return;
    serials_.push_back(serial);
    runs_.Add(*elsewhere);
    --left_;
  }

  const FlashArguments& arguments_;
  const ConsoleContext& context_;
  NoticeWatch watch_;  // listening before the first look, so that no arrival is missed
  ArrivalTracker tracker_;
  DeviceRuns runs_;
  std::vector<std::string> serials_;    // each device's with a run, in this run of the station
  std::vector<ListedDevice> attached_;  // each device identified and still attached
  std::size_t left_;                    // devices still to upgrade
  bool leftAlone_ = false;
};

}  // namespace

int RunStation(const FlashArguments& arguments, hid::HidServices& hid,
               const ConsoleContext& context, const std::string& program, std::FILE* out) {
  Station station(arguments, hid, context, program, out);
  const std::vector<DeviceRunResult> results = station.Run();
  if (results.empty()) PrintError(text::kNoDeviceUpgraded, context.errors);
  PrintSummary(results, out, arguments.json);
  return AllDone(results) && !station.LeftAlone() ? kExitDone : kExitNotDone;
}

}  // namespace kr55le
