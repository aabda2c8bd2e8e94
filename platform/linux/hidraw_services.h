// The HID services on Linux: hidraw nodes found through sysfs, hot-plug notices from udev.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid/hid_services.h"
#include "platform/linux/hidraw_enumerate.h"
#include "platform/linux/hidraw_monitor.h"
#include "platform/linux/node_holds.h"

namespace kr55le {

inline constexpr char kDefaultSysfsRoot[] = "/sys";
inline constexpr char kDefaultDeviceFolder[] = "/dev";

class LinuxHidServices final : public hid::HidServices {
 public:
  // The roots are parameters so that tests can run on a fake tree.
  explicit LinuxHidServices(std::filesystem::path sysfsRoot = kDefaultSysfsRoot,
                            std::filesystem::path deviceFolder = kDefaultDeviceFolder,
                            NoticeSource notices = NoticeSource::Automatic);

  std::vector<hid::HidInterface> Enumerate() override;
  // Opens the node of the enumerated path that matches `path` case-insensitively
  // (enumerating again when the last enumeration holds none), read/write and non-blocking, and
  // takes it for this program (NodeHolds).
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override;

  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override;
  int NoticeDescriptor() const override;
  // Called by one thread at a time (the host's, when the descriptor is readable).
  void DispatchNotices() override;

 private:
  std::optional<HidrawEntry> FindEntry(const std::string& path);

  const std::filesystem::path sysfsRoot_;
  const std::filesystem::path deviceFolder_;
  const std::unique_ptr<HidrawMonitor> monitor_;

  std::mutex entriesMutex_;
  std::vector<HidrawEntry> entries_;  // the last enumeration, under entriesMutex_

  std::mutex sinkMutex_;
  std::function<void(hid::DeviceChange)> sink_;  // under sinkMutex_

  NodeHolds holds_;
};

}  // namespace kr55le
