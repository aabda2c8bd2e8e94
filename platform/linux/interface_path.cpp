#include "platform/linux/interface_path.h"

namespace kr55le {
namespace {

constexpr std::string_view kLowerHexDigits = "0123456789abcdef";
constexpr unsigned kBitsPerHexDigit = 4;
constexpr std::uint16_t kHexDigitMask = 0xF;

std::string LowerHex(std::uint16_t value) {
  std::string text(kUsbIdHexDigits, '0');
  for (std::size_t i = kUsbIdHexDigits; i > 0; --i) {
    text[i - 1] = kLowerHexDigits[value & kHexDigitMask];
    value = static_cast<std::uint16_t>(value >> kBitsPerHexDigit);
  }
  return text;
}

}  // namespace

std::string MakeInterfacePath(std::string_view node, std::uint16_t vendorId,
                              std::uint16_t productId) {
  std::string path(node);
  path += kInterfacePathSeparator;
  path += kVendorPrefix;
  path += LowerHex(vendorId);
  path += kProductPrefix;
  path += LowerHex(productId);
  return path;
}

}  // namespace kr55le
