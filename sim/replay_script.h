// A recorded session played back by simulated devices: each answers the reports it is sent with
// what the recorded device sent back after the same report, until one differs.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hid/hid_services.h"
#include "record/session_record.h"
#include "sim/device_response.h"

namespace kr55le::sim {

// One report written to the recorded device and what followed it.
struct ReplayStep {
  std::vector<std::uint8_t> request;
  std::vector<TimedReply> replies;  // read after it and before the next write; delays as recorded
  bool gone = false;                // the device was removed at this report
};

struct ReplayDevice {
  std::string path;  // as the recording's first enumeration gave it
  std::optional<std::string> description;
  // As the recording asked for them; else the vendor and product of the path's vid_ and pid_.
  hid::HidAttributes attributes;
  hid::HidCaps caps;
  std::vector<ReplayStep> steps;  // over every handle opened on the path, in order
  // The report ID of the first recorded reply but the identification, which a device played
  // through the kernel must declare; nothing when there was none.
  std::optional<std::uint8_t> statusReplyId;
};

// The devices of a recording: each interface of its first enumeration, in its order (one never
// opened answers nothing). Reads before the first write on a path are left out: the utility
// always asks first.
std::vector<ReplayDevice> ReplayDevices(const std::vector<record::Event>& events);

// Plays one recorded device: the state a device model keeps while it replays.
class ReplayCursor {
 public:
  ReplayCursor(std::shared_ptr<const ReplayDevice> device, bool recordedTiming);

  // The recorded answer to `report`. A report that differs from the recorded one is told on
  // standard error (its number, the byte and both values), and nothing is answered from then on.
  DeviceResponse Answer(std::span<const std::uint8_t> report);

 private:
  std::shared_ptr<const ReplayDevice> device_;
  bool recordedTiming_;
  std::size_t next_ = 0;
  bool stopped_ = false;
};

}  // namespace kr55le::sim
