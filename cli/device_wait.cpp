#include "cli/device_wait.h"

#include <algorithm>
#include <optional>

#include "cli/device_list.h"
#include "cli/notice_watch.h"
#include "device/protocol.h"
#include "dialog/interface_paths.h"

namespace kr55le {
namespace {

// Whether the device the command is for is among `present`; `watch` identifies the devices
// that came since the last look, when --device may name a serial number.
bool Attached(NoticeWatch& watch, ArrivalTracker& tracker, NoticeBatch batch,
              const FlashArguments& arguments, const ConsoleContext& context) {
  const std::vector<hid::HidInterface> present = watch.Enumerate();
  const auto scanned = [](const hid::HidInterface& interface) {
    return IsScannedInterface(interface.path);
  };
  if (!arguments.device) return std::any_of(present.begin(), present.end(), scanned);
  const std::string& selector = *arguments.device;
  if (std::any_of(present.begin(), present.end(), [&selector](const hid::HidInterface& interface) {
        return hid::SameInterfacePath(interface.path, selector);
      })) {
    return true;
  }
  // Longer than the device's serial field, it names a path only: nothing to identify.
  if (selector.size() > kSerialSize) return false;
  for (const std::string& path : tracker.Arrived(present, batch)) {
    const ListedDevice device = IdentifyDevice(watch, path, arguments, context);
    if (device.answered && device.identification.serial == selector) return true;
  }
  return false;
}

}  // namespace

bool WaitForDevice(hid::HidServices& hid, const FlashArguments& arguments,
                   const ConsoleContext& context) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const std::atomic<int>* interrupts = context.interrupts;
  const int pressed = interrupts ? interrupts->load() : 0;
  // Listening before the first look, so that an arrival in between is not missed.
  NoticeWatch watch(hid);
  ArrivalTracker tracker;
  bool attached = Attached(watch, tracker, {}, arguments, context);
  while (!attached) {
    if (interrupts && interrupts->load() != pressed) break;
    std::chrono::milliseconds slice = kWaitSlice;
    if (arguments.waitLimit) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(start + *arguments.waitLimit - Clock::now());
      if (left <= std::chrono::milliseconds::zero()) break;
      slice = std::min(slice, left);
    }
    const NoticeBatch batch = watch.Await(slice);
    if (batch.arrival || batch.removal)
      attached = Attached(watch, tracker, batch, arguments, context);
  }
  return attached;
}

}  // namespace kr55le
