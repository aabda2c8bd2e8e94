#include "sim/usb/interrupt_packets.h"

#include <algorithm>

#include "sim/usb/usb_descriptors.h"

namespace kr55le::usb {

std::vector<std::span<const std::uint8_t>> SplitIntoPackets(std::span<const std::uint8_t> report) {
  std::vector<std::span<const std::uint8_t>> packets;
  for (std::size_t offset = 0; offset < report.size(); offset += kMaxPacketSize) {
    packets.push_back(report.subspan(offset, std::min(kMaxPacketSize, report.size() - offset)));
  }
  return packets;
}

ReportAssembler::Added ReportAssembler::Add(std::span<const std::uint8_t> packet) {
  Added added;
  if (packet.size() > kMaxPacketSize || pending_.size() + packet.size() > reportLength_) {
    added.error = "an interrupt OUT packet of " + std::to_string(packet.size()) + " bytes after " +
                  std::to_string(pending_.size()) + " runs past the " +
                  std::to_string(reportLength_) + "-byte output report";
    pending_.clear();
    return added;
  }
  pending_.insert(pending_.end(), packet.begin(), packet.end());
  // A zero-length packet with nothing before it ends an empty transfer: no report at all.
  if (pending_.size() == reportLength_ || (packet.size() < kMaxPacketSize && !pending_.empty())) {
    added.report = std::move(pending_);
    pending_.clear();
  }
  return added;
}

}  // namespace kr55le::usb
