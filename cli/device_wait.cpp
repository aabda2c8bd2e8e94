#include "cli/device_wait.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "dialog/interface_paths.h"
#include "platform/console/notice_poll.h"

namespace kr55le {
namespace {

bool DeviceAttached(hid::HidServices& hid) {
  const std::vector<hid::HidInterface> interfaces = hid.Enumerate();
  return std::any_of(interfaces.begin(), interfaces.end(), [](const hid::HidInterface& interface) {
    return IsScannedInterface(interface.path);
  });
}

// Notices from a backend's own thread.
struct NoticeFlag {
  std::mutex mutex;
  std::condition_variable changed;
  bool pending = false;
};

}  // namespace

bool WaitForDevice(hid::HidServices& hid, std::optional<std::chrono::milliseconds> limit,
                   const std::atomic<int>* interrupts) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const int pressed = interrupts ? interrupts->load() : 0;
  NoticeFlag flag;
  // Listening before the first look, so that an arrival in between is not missed.
  hid.RegisterNotices([&flag](hid::DeviceChange) {
    const std::lock_guard lock(flag.mutex);
    flag.pending = true;
    flag.changed.notify_one();
  });
  bool attached = DeviceAttached(hid);
  while (!attached) {
    if (interrupts && interrupts->load() != pressed) break;
    std::chrono::milliseconds slice = kWaitSlice;
    if (limit) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(start + *limit - Clock::now());
      if (left <= std::chrono::milliseconds::zero()) break;
      slice = std::min(slice, left);
    }
    if (const int descriptor = hid.NoticeDescriptor(); descriptor >= 0) {
      if (console::IsReadable(descriptor, static_cast<int>(slice.count()))) hid.DispatchNotices();
    }
    // Windows: the notice window's messages run the sink here, at the latest a slice later.
    console::DispatchThreadMessages();
    std::unique_lock lock(flag.mutex);
    if (hid.NoticeDescriptor() < 0)
      flag.changed.wait_for(lock, slice, [&] { return flag.pending; });
    if (!std::exchange(flag.pending, false)) continue;
    lock.unlock();
    attached = DeviceAttached(hid);
  }
  hid.RegisterNotices(nullptr);
  return attached;
}

}  // namespace kr55le
