// What a simulated device sends back for one report it was sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace kr55le::sim {

struct TimedReply {
  std::vector<std::uint8_t> report;    // one input report
  std::chrono::milliseconds delay{0};  // after the request, when it is due
};

struct DeviceResponse {
  std::vector<TimedReply> replies;  // in the order they are due; none when silent
  bool unplug = false;              // the device leaves the bus now
};

}  // namespace kr55le::sim
