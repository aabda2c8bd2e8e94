// The hidraw nodes that sysfs lists, as interface paths with their descriptions.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "hid/hid_services.h"

namespace kr55le {

inline constexpr std::string_view kHidrawClassFolder = "class/hidraw";
inline constexpr std::string_view kParentUevent = "device/uevent";
inline constexpr std::string_view kParentReportDescriptor = "device/report_descriptor";

struct HidrawEntry {
  hid::HidInterface interface;             // "<dev>/hidrawN#vid_vvvv&pid_pppp"
  std::filesystem::path node;              // "<dev>/hidrawN"
  std::filesystem::path reportDescriptor;  // the parent's report_descriptor in sysfs
};

// One entry per <sysfsRoot>/class/hidraw/<name> whose parent's uevent carries a HID_ID, sorted
// by path. Entries without one are left out: their interface path cannot be formed.
std::vector<HidrawEntry> EnumerateHidraw(const std::filesystem::path& sysfsRoot,
                                         const std::filesystem::path& deviceFolder);

}  // namespace kr55le
