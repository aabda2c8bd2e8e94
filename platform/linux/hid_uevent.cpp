#include "platform/linux/hid_uevent.h"

#include <charconv>

namespace kr55le {
namespace {

std::optional<std::uint32_t> HexField(std::string_view field) {
  std::uint32_t value = 0;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value, kHexBase);
  if (field.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

struct UsbIds {
  std::uint16_t vendorId;
  std::uint16_t productId;
};

// "bbbb:vvvvvvvv:pppppppp"; the USB ids are the low 16 bits of the last two fields.
std::optional<UsbIds> ParseHidId(std::string_view value) {
  const std::size_t first = value.find(kHidIdSeparator);
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = value.find(kHidIdSeparator, first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto bus = HexField(value.substr(0, first));
  const auto vendor = HexField(value.substr(first + 1, second - first - 1));
  const auto product = HexField(value.substr(second + 1));
  if (!bus || !vendor || !product) return std::nullopt;
  return UsbIds{static_cast<std::uint16_t>(*vendor & kUsbIdMask),
                static_cast<std::uint16_t>(*product & kUsbIdMask)};
}

}  // namespace

std::optional<HidUevent> ParseHidUevent(std::string_view text) {
  std::optional<UsbIds> ids;
  HidUevent uevent;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.starts_with(kUeventHidIdKey)) {
      ids = ParseHidId(line.substr(kUeventHidIdKey.size()));
    } else if (line.starts_with(kUeventHidNameKey) && line.size() > kUeventHidNameKey.size()) {
      uevent.name = std::string(line.substr(kUeventHidNameKey.size()));
    }
  }
  if (!ids) return std::nullopt;
  uevent.vendorId = ids->vendorId;
  uevent.productId = ids->productId;
  return uevent;
}

}  // namespace kr55le
