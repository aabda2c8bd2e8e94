#include "platform/linux/report_descriptor.h"

#include <algorithm>
#include <array>
#include <optional>

namespace kr55le {
namespace {

enum ReportType : std::size_t { kInput, kOutput, kFeature, kReportTypeCount };

// HID 1.11, 6.2.2.7: the global items Push and Pop save and restore as a whole.
struct GlobalState {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

class DescriptorParser {
 public:
  // False when the item makes the descriptor malformed.
  bool Item(std::uint8_t type, std::uint8_t tag, std::uint32_t value) {
    if (type == kItemTypeMain) return MainItem(tag);
    if (type == kItemTypeGlobal) return GlobalItem(tag, value);
    return true;  // local and reserved items do not change the lengths
  }

  bool Numbered() const { return numbered_; }
  bool HasReports() const {
    return std::any_of(bits_.begin(), bits_.end(), [](const auto& reports) {
      return std::any_of(reports.begin(), reports.end(),
                         [](std::uint64_t bits) { return bits != 0; });
    });
  }

  hid::HidCaps Caps() const {
    hid::HidCaps caps;
    caps.InputReportByteLength = LargestReport(kInput);
    caps.OutputReportByteLength = LargestReport(kOutput);
    caps.FeatureReportByteLength = LargestReport(kFeature);
    return caps;
  }

 private:
  bool MainItem(std::uint8_t tag) {
    if (tag == kMainTagInput) return AddField(kInput);
    if (tag == kMainTagOutput) return AddField(kOutput);
    if (tag == kMainTagFeature) return AddField(kFeature);
    return true;
  }

  bool GlobalItem(std::uint8_t tag, std::uint32_t value) {
    switch (tag) {
      case kGlobalTagReportSize:
        global_.reportSize = value;
        return true;
      case kGlobalTagReportCount:
        global_.reportCount = value;
        return true;
      case kGlobalTagReportId:
        global_.reportId = value;
        numbered_ = true;
        return value != 0 && value <= kMaxReportId;
      case kGlobalTagPush:
        if (depth_ == stack_.size()) return false;
        stack_[depth_++] = global_;
        return true;
      case kGlobalTagPop:
        if (depth_ == 0) return false;
        global_ = stack_[--depth_];
        return true;
      default:
        return true;
    }
  }

  bool AddField(ReportType type) {
    std::uint64_t& bits = bits_[type][global_.reportId];
    if (bits == 0) bits = kReportIdBits;
    const std::uint64_t fieldBits =
        static_cast<std::uint64_t>(global_.reportSize) * global_.reportCount;
    if (fieldBits > kMaxReportBits - bits) return false;
    bits += fieldBits;
    return true;
  }

  std::uint16_t LargestReport(ReportType type) const {
    const auto& reports = bits_[type];
    const std::uint64_t bits = *std::max_element(reports.begin(), reports.end());
    return static_cast<std::uint16_t>((bits + kBitsPerByte - 1) / kBitsPerByte);
  }

  GlobalState global_;
  std::array<GlobalState, kMaxPushDepth> stack_{};
  std::size_t depth_ = 0;
  bool numbered_ = false;
  // Bits per report ID; 0 means no item of that type has named the ID.
  std::array<std::array<std::uint64_t, kReportIdSlots>, kReportTypeCount> bits_{};
};

// Little-endian and unsigned: sizes and counts never read as negative.
std::uint32_t ItemValue(std::span<const std::uint8_t> data) {
  std::uint32_t value = 0;
  for (std::size_t i = data.size(); i > 0; --i) value = (value << kBitsPerByte) | data[i - 1];
  return value;
}

// The size of the item at `at` (prefix included), or nothing when it runs past the end.
std::optional<std::size_t> ItemSize(std::span<const std::uint8_t> descriptor, std::size_t at) {
  const std::size_t left = descriptor.size() - at;
  if (descriptor[at] == kLongItemPrefix) {
    if (left < kLongItemHeaderSize) return std::nullopt;
    const std::size_t size = kLongItemHeaderSize + descriptor[at + kLongItemDataSizeOffset];
    if (left < size) return std::nullopt;
    return size;
  }
  const std::size_t size = 1 + kShortItemDataSizes[descriptor[at] & kItemSizeMask];
  if (left < size) return std::nullopt;
  return size;
}

// Feeds every item to `parser`; false when the descriptor is malformed.
bool ParseItems(std::span<const std::uint8_t> descriptor, DescriptorParser& parser) {
  std::size_t at = 0;
  while (at < descriptor.size()) {
    const std::optional<std::size_t> size = ItemSize(descriptor, at);
    if (!size) return false;
    const std::uint8_t prefix = descriptor[at];
    if (prefix != kLongItemPrefix) {
      const auto type = static_cast<std::uint8_t>((prefix >> kItemTypeShift) & kItemTypeMask);
      const auto tag = static_cast<std::uint8_t>(prefix >> kItemTagShift);
      if (!parser.Item(type, tag, ItemValue(descriptor.subspan(at + 1, *size - 1)))) return false;
    }
    at += *size;
  }
  return true;
}

}  // namespace

hid::HidCaps ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  DescriptorParser parser;
  if (!ParseItems(descriptor, parser)) return {};
  return parser.Caps();
}

std::optional<bool> ReportsAreNumbered(std::span<const std::uint8_t> descriptor) {
  DescriptorParser parser;
  if (!ParseItems(descriptor, parser) || !parser.HasReports()) return std::nullopt;
  return parser.Numbered();
}

}  // namespace kr55le
