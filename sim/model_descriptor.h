// The report descriptor the virtual KR-55LE hands the kernel: one vendor-defined application
// collection with numbered reports, sized so that the capabilities computed from it are the
// configured report lengths (the ID byte included).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "device/protocol.h"
#include "sim/sim_device_config.h"

namespace kr55le::sim {

// HID 1.11, 6.2.2: short item prefixes (tag, type and data size in one byte).
inline constexpr std::uint8_t kItemUsagePage2 = 0x06;
inline constexpr std::uint8_t kItemUsage1 = 0x09;
inline constexpr std::uint8_t kItemCollection1 = 0xA1;
inline constexpr std::uint8_t kItemEndCollection = 0xC0;
inline constexpr std::uint8_t kItemLogicalMinimum1 = 0x15;
inline constexpr std::uint8_t kItemLogicalMaximum2 = 0x26;
inline constexpr std::uint8_t kItemReportSize1 = 0x75;
inline constexpr std::uint8_t kItemReportId1 = 0x85;
inline constexpr std::uint8_t kItemReportCount2 = 0x96;
inline constexpr std::uint8_t kItemInput1 = 0x81;
inline constexpr std::uint8_t kItemOutput1 = 0x91;

inline constexpr std::uint16_t kVendorUsagePage = 0xFF00;
inline constexpr std::uint8_t kVendorUsage = 0x01;
inline constexpr std::uint8_t kApplicationCollection = 0x01;
inline constexpr std::uint8_t kDataVariableAbsolute = 0x02;
inline constexpr std::uint8_t kFieldBits = 8;  // every field is one byte
inline constexpr std::uint8_t kFieldMinimum = 0;
inline constexpr std::uint16_t kFieldMaximum = 0xFF;  // two bytes: one would read as -1
inline constexpr std::uint16_t kReportIdBytes = 1;

// Every input report the model replies with: the kernel drops an input report whose ID the
// descriptor does not declare, so the status replies need their ID as much as the info reply.
using InputReportIds = std::array<std::uint8_t, 2>;
InputReportIds InputReportIdsOf(const SimDeviceConfig& config);
// The requests and the data blocks.
inline constexpr std::uint8_t kOutputReportIds[] = {kRequestReportId, kDataReportId};

// The configured report lengths and status reply ID; a report type whose length leaves no room
// past the ID byte is left out.
std::vector<std::uint8_t> BuildReportDescriptor(const SimDeviceConfig& config);

}  // namespace kr55le::sim
