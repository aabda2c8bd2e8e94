#include "platform/linux/inotify_monitor.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

#include "platform/posix/file_descriptor.h"

namespace kr55le {
namespace {

constexpr std::uint32_t kWatchedEvents = IN_CREATE | IN_DELETE;

void PassEvent(const inotify_event& event, std::string_view name,
               const std::function<void(hid::DeviceChange)>& sink) {
  // Events were lost: an arrival makes the host rescan, which sees every change.
  if ((event.mask & IN_Q_OVERFLOW) != 0) {
    sink(hid::DeviceChange::Arrival);
    return;
  }
  if ((event.mask & IN_ISDIR) != 0 || !name.starts_with(kHidrawNodePrefix)) return;
  if ((event.mask & IN_CREATE) != 0) sink(hid::DeviceChange::Arrival);
  if ((event.mask & IN_DELETE) != 0) sink(hid::DeviceChange::Removal);
}

class InotifyMonitor final : public HidrawMonitor {
 public:
  explicit InotifyMonitor(int descriptor) : descriptor_(descriptor) {}

  int Descriptor() const override { return descriptor_.get(); }

  void Drain(const std::function<void(hid::DeviceChange)>& sink) override {
    alignas(inotify_event) std::array<char, kInotifyBufferSize> buffer;
    for (;;) {
      const ssize_t got = ::read(descriptor_.get(), buffer.data(), buffer.size());
      if (got <= 0) return;  // EAGAIN: drained (the descriptor is non-blocking)
      const auto length = static_cast<std::size_t>(got);
      std::size_t at = 0;
      while (length - at >= sizeof(inotify_event)) {
        inotify_event event;
        std::memcpy(&event, buffer.data() + at, sizeof event);
        const std::size_t nameRoom = length - at - sizeof event;
        if (event.len > nameRoom) return;
        const char* name = buffer.data() + at + sizeof event;
        if (sink) PassEvent(event, std::string_view(name, ::strnlen(name, event.len)), sink);
        at += sizeof event + event.len;
      }
    }
  }

 private:
  const FileDescriptor descriptor_;
};

}  // namespace

std::unique_ptr<HidrawMonitor> OpenInotifyMonitor(const std::filesystem::path& folder) {
  const int descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (descriptor < 0) return nullptr;
  auto monitor = std::make_unique<InotifyMonitor>(descriptor);
  if (::inotify_add_watch(descriptor, folder.c_str(), kWatchedEvents) < 0) return nullptr;
  return monitor;
}

}  // namespace kr55le
