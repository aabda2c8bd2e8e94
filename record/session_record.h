// A recording of what passed between the utility and its devices at the HID interface: one
// event a line, each a JSON object (the format is described in docs/recording.md).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hid/hid_services.h"

namespace kr55le::record {

inline constexpr int kFormatVersion = 1;
// Bounds a reader holds a file to: no report is longer, no handle number higher.
inline constexpr std::size_t kMaxReportBytes = 65536;
inline constexpr std::uint32_t kMaxHandle = 65535;

// A write is recorded as the report is handed over, so that no read of its answer comes before
// it in the file; WriteFailed follows it when the hand-over failed.
enum class EventKind { Start, Interfaces, Open, Attributes, Caps, Write, WriteFailed, Read };

struct Event {
  EventKind kind = EventKind::Start;
  std::uint64_t micros = 0;  // since the recording started
  // The opened handle the event belongs to, numbered from 0 in the order of opening; the
  // interfaces and the start belong to none.
  std::uint32_t handle = 0;
  // Start: what made the recording.
  std::string tool{};
  std::string version{};
  std::vector<std::string> command{};
  // Interfaces: what an enumeration gave.
  std::vector<hid::HidInterface> interfaces{};
  // Open: the path opened.
  std::string path{};
  hid::HidAttributes attributes{};
  hid::HidCaps caps{};
  std::vector<std::uint8_t> bytes{};  // Write and Read: the report, its ID first
  // Open, Attributes, Caps, WriteFailed and Read: how the call failed; None when it worked.
  hid::HidError error = hid::HidError::None;

  bool operator==(const Event&) const = default;
};

// The event as one line of the file, without the line end.
std::string FormatEvent(const Event& event);

struct ParsedRecording {
  std::vector<Event> events;
  std::string error;  // "line N: ..." for the first line that is not an event; empty when read
  bool ok() const { return error.empty(); }
};

// Reads a whole file's text: blank lines are skipped, members a reader does not know ignored.
ParsedRecording ParseRecording(std::string_view text);

}  // namespace kr55le::record
