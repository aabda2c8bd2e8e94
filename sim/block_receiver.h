// The device side of one data transfer: checks each data block report as the device's
// programming loop would, counts the acknowledgement sequence and assembles the accepted data.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "sim/sim_device_config.h"

namespace kr55le::sim {

enum class TransferState { Idle, Receiving, Complete, Failed };

enum class BlockOutcome {
  Accepted,
  SendAgain,
  Failed,
  Silent,           // no reply at all
  AcceptedUnheard,  // accepted, its acknowledgement lost
  Unplugged,        // the device goes away as the block arrives
};

struct BlockResult {
  BlockOutcome outcome = BlockOutcome::Failed;
  std::uint8_t sequence = 0;  // what the acknowledgement carries in its byte 2
};

class BlockReceiver {
 public:
  explicit BlockReceiver(SimDeviceConfig config) : config_(std::move(config)) {}

  // Begins a new transfer: the upgrade start was accepted and the flash erased.
  void Start();
  BlockResult Receive(std::span<const std::uint8_t> report);

  TransferState State() const { return state_; }
  std::uint32_t DataReportsReceived() const { return dataReportsReceived_; }
  std::uint32_t BlocksAccepted() const { return blocksAccepted_; }
  std::uint32_t BlocksExpected() const { return blocksExpected_; }  // 0 before the first block
  std::uint32_t PayloadSize() const { return payloadSize_; }
  const std::vector<std::uint8_t>& AssembledImage() const { return assembled_; }

 private:
  bool IsWellFormed(std::span<const std::uint8_t> report);
  BlockOutcome Judge(std::span<const std::uint8_t> report, std::uint32_t reportNumber);
  void Accept(std::span<const std::uint8_t> report);

  SimDeviceConfig config_;
  TransferState state_ = TransferState::Idle;
  std::uint32_t dataReportsReceived_ = 0;
  std::uint32_t blocksAccepted_ = 0;
  std::uint32_t blocksExpected_ = 0;
  std::uint32_t payloadSize_ = 0;
  bool lostAckPlayed_ = false;  // once per device, so the host's retry succeeds
  std::vector<std::uint8_t> assembled_;
};

}  // namespace kr55le::sim
