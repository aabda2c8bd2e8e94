// Hot-plug notices from a libudev monitor filtered to the hidraw subsystem.
#pragma once

#include <memory>

#include "platform/linux/hidraw_monitor.h"

namespace kr55le {

inline constexpr char kUdevActionAdd[] = "add";
inline constexpr char kUdevActionRemove[] = "remove";

// `sourceName` is "udev" or "kernel". Null when libudev cannot open the monitor.
std::unique_ptr<HidrawMonitor> OpenUdevMonitor(const char* sourceName);

}  // namespace kr55le
