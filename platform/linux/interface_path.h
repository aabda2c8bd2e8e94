// Interface paths of the hidraw backend: "<node>#vid_vvvv&pid_pppp", hex in lower case, so
// that the "vid_0483" match works on Linux paths as it does on Windows ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kr55le {

inline constexpr char kInterfacePathSeparator = '#';
inline constexpr std::string_view kVendorPrefix = "vid_";
inline constexpr std::string_view kProductPrefix = "&pid_";
inline constexpr std::size_t kUsbIdHexDigits = 4;

std::string MakeInterfacePath(std::string_view node, std::uint16_t vendorId,
                              std::uint16_t productId);

}  // namespace kr55le
