// Arrival and removal notices of hidraw nodes, from udev or, failing that, from inotify.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "hid/hid_services.h"

namespace kr55le {

// Where notices come from. Automatic: the udev daemon's events when it runs (its control socket
// exists), else the kernel's uevents (containers without udev); inotify on the device folder
// when libudev cannot be used at all.
enum class NoticeSource { Automatic, UdevDaemon, Kernel, DeviceFolder };

inline constexpr char kUdevControlPath[] = "/run/udev/control";
inline constexpr char kUdevSourceName[] = "udev";
inline constexpr char kKernelSourceName[] = "kernel";
inline constexpr char kHidrawSubsystem[] = "hidraw";
inline constexpr std::string_view kHidrawNodePrefix = "hidraw";

class HidrawMonitor {
 public:
  virtual ~HidrawMonitor() = default;
  // Readable while notices are pending.
  virtual int Descriptor() const = 0;
  // Reads every pending event without blocking and passes each hidraw change to `sink`.
  virtual void Drain(const std::function<void(hid::DeviceChange)>& sink) = 0;
};

// Null only when no source at all can be opened.
std::unique_ptr<HidrawMonitor> OpenHidrawMonitor(NoticeSource source,
                                                 const std::filesystem::path& deviceFolder);

}  // namespace kr55le
