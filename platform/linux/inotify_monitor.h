// Hot-plug notices from inotify on the device folder, when libudev cannot be used.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>

#include "platform/linux/hidraw_monitor.h"

namespace kr55le {

// Room for many events per read (each is a header and a short name).
inline constexpr std::size_t kInotifyBufferSize = 4096;

// Null when inotify cannot watch `folder`.
std::unique_ptr<HidrawMonitor> OpenInotifyMonitor(const std::filesystem::path& folder);

}  // namespace kr55le
