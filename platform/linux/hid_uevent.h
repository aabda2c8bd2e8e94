// The HID fields of a hidraw parent's uevent file (HID_ID, HID_NAME).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kr55le {

// The kernel writes HID_ID=%04X:%08X:%08X (bus, vendor, product) and HID_NAME=<name>.
inline constexpr std::string_view kUeventHidIdKey = "HID_ID=";
inline constexpr std::string_view kUeventHidNameKey = "HID_NAME=";
inline constexpr char kHidIdSeparator = ':';
inline constexpr int kHexBase = 16;
inline constexpr std::uint32_t kUsbIdMask = 0xFFFF;
// Uevent files are far smaller (the kernel's uevent buffer is 2048 bytes).
inline constexpr std::size_t kMaxUeventSize = 4096;

struct HidUevent {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::optional<std::string> name;  // nothing when HID_NAME is absent or empty
};

// Nothing when the text holds no well-formed HID_ID line.
std::optional<HidUevent> ParseHidUevent(std::string_view text);

}  // namespace kr55le
