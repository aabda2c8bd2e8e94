// A KR-55LE in its upgrade mode as a plain object: it takes the host's output reports one at a
// time and says what it sends back, and when. No threads, no clocks; the transport does both.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include "sim/block_receiver.h"
#include "sim/device_response.h"
#include "sim/replay_script.h"
#include "sim/sim_device_config.h"

namespace kr55le::sim {

// How long after a "send it again" a repeating device sends its previous acknowledgement: well
// after the host has read the code, so that it lands between two of the host's waits.
inline constexpr std::chrono::milliseconds kRepeatedAckDelay{20};

struct DeviceCounters {
  std::size_t reportsReceived = 0;
  std::uint32_t dataReportsReceived = 0;  // in the current transfer, re-sends included
  std::uint32_t blocksAccepted = 0;
  std::uint32_t blocksExpected = 0;  // 0 until the first block names the payload size
  std::uint32_t payloadSize = 0;
  // Requests by kind, answered or not (each start would erase the device).
  std::uint32_t infoRequests = 0;
  std::uint32_t checkRequests = 0;
  std::uint32_t startRequests = 0;
  std::uint32_t exitRequests = 0;
  bool checkAccepted = false;  // an accepted image check waits for its start request
  TransferState transfer = TransferState::Idle;
};

class DeviceModel {
 public:
  explicit DeviceModel(SimDeviceConfig config);

  DeviceResponse HandleOutputReport(std::span<const std::uint8_t> report);

  const SimDeviceConfig& Config() const { return config_; }
  // Every output report received, whole and in order.
  const std::vector<std::vector<std::uint8_t>>& ReceivedReports() const { return received_; }
  // The data of the accepted blocks in order, filler of the final block included.
  const std::vector<std::uint8_t>& AssembledImage() const { return receiver_.AssembledImage(); }
  DeviceCounters Counters() const;

 private:
  DeviceResponse AnswerDeviceInfo() const;
  DeviceResponse AnswerImageCheck(std::span<const std::uint8_t> report);
  DeviceResponse AnswerUpgradeStart();
  DeviceResponse AnswerDataBlock(std::span<const std::uint8_t> report);
  struct ReplyByte {
    std::size_t index;
    std::uint8_t value;
  };
  // A reply of the configured input length: its report ID and, when the reply is long enough
  // for all of them, the given bytes, the configured filler past the last of them; zero
  // elsewhere. Status replies are filled here rather than after: GCC 12 at -O3 took the end of a
  // filled local reply that was moved to Send for a delete at an offset (a false
  // -Wfree-nonheap-object).
  std::vector<std::uint8_t> NewReply(std::uint8_t reportId,
                                     std::initializer_list<ReplyByte> bytes = {}) const;
  std::vector<std::uint8_t> Acknowledgement(std::uint8_t code, std::uint8_t sequence) const;
  DeviceResponse Send(std::vector<std::uint8_t> reply, std::chrono::milliseconds extraDelay) const;

  SimDeviceConfig config_;
  BlockReceiver receiver_;
  std::optional<ReplayCursor> replay_;
  bool checkAccepted_ = false;
  std::uint32_t infoRequests_ = 0;
  std::uint32_t checkRequests_ = 0;
  std::uint32_t startRequests_ = 0;
  std::uint32_t exitRequests_ = 0;
  std::vector<std::vector<std::uint8_t>> received_;
};

}  // namespace kr55le::sim
