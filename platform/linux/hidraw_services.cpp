#include "platform/linux/hidraw_services.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/linux/hidraw_device.h"
#include "platform/linux/hidraw_errors.h"
#include "platform/linux/interface_path.h"

namespace kr55le {

LinuxHidServices::LinuxHidServices(std::filesystem::path sysfsRoot,
                                   std::filesystem::path deviceFolder, NoticeSource notices)
    : sysfsRoot_(std::move(sysfsRoot)),
      deviceFolder_(std::move(deviceFolder)),
      monitor_(OpenHidrawMonitor(notices, deviceFolder_)) {}

std::vector<hid::HidInterface> LinuxHidServices::Enumerate() {
  std::vector<HidrawEntry> entries = EnumerateHidraw(sysfsRoot_, deviceFolder_);
  std::vector<hid::HidInterface> interfaces;
  interfaces.reserve(entries.size());
  for (const HidrawEntry& entry : entries) interfaces.push_back(entry.interface);
  const std::lock_guard lock(entriesMutex_);
  entries_ = std::move(entries);
  return interfaces;
}

std::optional<HidrawEntry> LinuxHidServices::FindEntry(const std::string& path) {
  const std::lock_guard lock(entriesMutex_);
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const HidrawEntry& entry) {
    return hid::SameInterfacePath(entry.interface.path, path);
  });
  if (found == entries_.end()) return std::nullopt;
  return *found;
}

std::shared_ptr<hid::HidDevice> LinuxHidServices::Open(const std::string& path,
                                                       hid::HidResult& result) {
  std::optional<HidrawEntry> entry = FindEntry(path);
  if (!entry) {
    Enumerate();
    entry = FindEntry(path);
  }
  if (!entry) {
    result = SystemFailure(hid::HidError::NotFound, ENOENT, "open(" + path + ")");
    return nullptr;
  }
  const std::string node = entry->node.string();
  const int fileDescriptor = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fileDescriptor < 0) {
    const int error = errno;
    result = SystemFailure(OpenErrorClass(error), error, "open(" + node + ")");
    return nullptr;
  }
  NodeHolds::Hold hold = holds_.Take(node, fileDescriptor, result);
  if (!hold) {
    ::close(fileDescriptor);  // nothing has been sent
    return nullptr;
  }
  result = {};
  return std::make_shared<HidrawDevice>(fileDescriptor, entry->reportDescriptor, node,
                                        std::move(hold));
}

void LinuxHidServices::RegisterNotices(std::function<void(hid::DeviceChange)> sink) {
  const std::lock_guard lock(sinkMutex_);
  sink_ = std::move(sink);
}

int LinuxHidServices::NoticeDescriptor() const {
  return monitor_ ? monitor_->Descriptor() : -1;
}

void LinuxHidServices::DispatchNotices() {
  if (!monitor_) return;
  std::function<void(hid::DeviceChange)> sink;
  {
    const std::lock_guard lock(sinkMutex_);
    sink = sink_;
  }
  // Events are read even without a sink, so the descriptor does not stay readable.
  monitor_->Drain(sink);
}

}  // namespace kr55le
