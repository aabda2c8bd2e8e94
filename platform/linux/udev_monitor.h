// Hot-plug notices from a libudev monitor filtered to the hidraw subsystem.
#pragma once

#include <memory>
#include <optional>

#include "hid/hid_services.h"
#include "platform/linux/hidraw_monitor.h"

namespace kr55le {

inline constexpr char kUdevActionAdd[] = "add";
inline constexpr char kUdevActionRemove[] = "remove";

// The notice a udev event's action gives: "add" an arrival, "remove" a removal, any other action
// (or none) nothing.
std::optional<hid::DeviceChange> ChangeOfUdevAction(const char* action);

// `sourceName` is "udev" or "kernel". Null when libudev cannot open the monitor.
std::unique_ptr<HidrawMonitor> OpenUdevMonitor(const char* sourceName);

}  // namespace kr55le
