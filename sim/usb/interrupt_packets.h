// Reports on the interrupt endpoints at full speed: an input report goes out as packets of at
// most 64 bytes, and the host's output packets come back together into reports, a transfer
// ending with the report's length or with a short packet (USB 2.0, 5.7.3).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kr55le::usb {

// Full packets, then what is left (nothing when the report ends on a packet's edge: the host
// asks for no more than the longest report, so its transfer ends there without a short packet).
std::vector<std::span<const std::uint8_t>> SplitIntoPackets(std::span<const std::uint8_t> report);

class ReportAssembler {
 public:
  explicit ReportAssembler(std::size_t reportLength) : reportLength_(reportLength) {}

  struct Added {
    std::optional<std::vector<std::uint8_t>> report;  // when this packet ended one
    std::string error;  // the packet does not fit an output report; nothing is kept then
  };
  Added Add(std::span<const std::uint8_t> packet);
  // Drops a report begun and not ended (a reset of the device).
  void Reset() { pending_.clear(); }
  // No report begun: the next packet starts one.
  bool Empty() const { return pending_.empty(); }

 private:
  std::size_t reportLength_;
  std::vector<std::uint8_t> pending_;
};

}  // namespace kr55le::usb
