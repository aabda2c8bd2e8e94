// The kernel's uhid events (Documentation/hid/uhid.rst) as plain values: those the virtual
// device writes (create, input, destroy, replies to report requests) and those it reads. One
// event is one write or one read of the whole struct uhid_event.
#pragma once

#include <linux/uhid.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kr55le::uhid {

inline constexpr std::size_t kEventSize = sizeof(uhid_event);
inline constexpr std::size_t kMaxReportBytes = UHID_DATA_MAX;
inline constexpr std::size_t kMaxNameBytes = sizeof(uhid_create2_req::name) - 1;
inline constexpr std::uint16_t kBusUsb = 0x03;  // BUS_USB in linux/input.h

struct UhidIdentity {
  std::string name;  // HID_NAME in sysfs; empty gives a device without a readable description
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t version = 0;
};

using EventBytes = std::vector<std::uint8_t>;

// Nothing when the descriptor or the report does not fit the event.
std::optional<EventBytes> EncodeCreate(const UhidIdentity& identity,
                                       std::span<const std::uint8_t> reportDescriptor);
std::optional<EventBytes> EncodeInput(std::span<const std::uint8_t> report);
EventBytes EncodeDestroy();
// The device answers the kernel's get and set report requests with an error: the protocol uses
// neither, and an answer keeps the caller from waiting for uhid's own timeout.
EventBytes EncodeGetReportReply(std::uint32_t requestId, std::uint16_t error);
EventBytes EncodeSetReportReply(std::uint32_t requestId, std::uint16_t error);

enum class EventKind { Start, Stop, Open, Close, Output, GetReport, SetReport, Other };

struct ReadEvent {
  EventKind kind = EventKind::Other;
  std::vector<std::uint8_t> report;  // Output: the report, ID first
  std::uint32_t requestId = 0;       // GetReport, SetReport
};

// Nothing for bytes too short to hold the event's type and fields.
std::optional<ReadEvent> DecodeEvent(std::span<const std::uint8_t> bytes);

}  // namespace kr55le::uhid
