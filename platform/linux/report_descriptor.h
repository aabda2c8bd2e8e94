// Report lengths from a HID report descriptor, computed as Windows' HID capabilities give them,
// so that the rest of the utility sees the same lengths on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "hid/hid_services.h"

namespace kr55le {

// HID 1.11, 6.2.2.2 short items: one prefix byte (size, type, tag) and 0, 1, 2 or 4 data bytes.
inline constexpr std::uint8_t kItemSizeMask = 0x03;
inline constexpr unsigned kItemTypeShift = 2;
inline constexpr std::uint8_t kItemTypeMask = 0x03;
inline constexpr unsigned kItemTagShift = 4;
inline constexpr std::size_t kShortItemDataSizes[] = {0, 1, 2, 4};

// HID 1.11, 6.2.2.3 long items: prefix 0xFE, a data size byte, a tag byte, then the data.
inline constexpr std::uint8_t kLongItemPrefix = 0xFE;
inline constexpr std::size_t kLongItemHeaderSize = 3;
inline constexpr std::size_t kLongItemDataSizeOffset = 1;

inline constexpr std::uint8_t kItemTypeMain = 0;
inline constexpr std::uint8_t kItemTypeGlobal = 1;

// HID 1.11, 6.2.2.4 main item tags that carry report fields.
inline constexpr std::uint8_t kMainTagInput = 0x8;
inline constexpr std::uint8_t kMainTagOutput = 0x9;
inline constexpr std::uint8_t kMainTagFeature = 0xB;

// HID 1.11, 6.2.2.7 global item tags that the lengths depend on.
inline constexpr std::uint8_t kGlobalTagReportSize = 0x7;
inline constexpr std::uint8_t kGlobalTagReportId = 0x8;
inline constexpr std::uint8_t kGlobalTagReportCount = 0x9;
inline constexpr std::uint8_t kGlobalTagPush = 0xA;
inline constexpr std::uint8_t kGlobalTagPop = 0xB;

// Report IDs are one byte; 0 is reserved (HID 1.11, 6.2.2.7) and stands for "no ID".
inline constexpr std::uint32_t kMaxReportId = 255;
inline constexpr std::size_t kReportIdSlots = kMaxReportId + 1;
inline constexpr std::uint64_t kReportIdBits = 8;
inline constexpr std::uint64_t kBitsPerByte = 8;
// The lengths are 16-bit; a report that would not fit makes the descriptor unusable.
inline constexpr std::uint64_t kMaxReportBytes = 0xFFFF;
inline constexpr std::uint64_t kMaxReportBits = kMaxReportBytes * kBitsPerByte;
// Deeper Push nesting than any real device uses is taken as a malformed descriptor.
inline constexpr std::size_t kMaxPushDepth = 16;

// Per report type and report ID: the ID byte (counted even when the device uses no IDs) plus
// Report Size x Report Count of every Input, Output or Feature item, rounded up to bytes; the
// largest report of each type. A malformed descriptor gives all lengths 0.
hid::HidCaps ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

// Whether the device numbers its reports, that is whether the descriptor has a Report ID item
// (HID 1.11, 6.2.2.7: then every report carries one). Nothing when the descriptor is malformed
// or declares no report, as then the answer would be a guess.
std::optional<bool> ReportsAreNumbered(std::span<const std::uint8_t> descriptor);

}  // namespace kr55le
