#include "sim/block_receiver.h"

#include "device/block_crc.h"
#include "image/image_payload.h"

namespace kr55le::sim {
namespace {

std::uint32_t ReadWord(std::span<const std::uint8_t> report, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < sizeof value; ++i) {
    value |= static_cast<std::uint32_t>(report[at + i]) << (8 * i);
  }
  return value;
}

bool AllZero(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (byte != 0) return false;
  }
  return true;
}

}  // namespace

void BlockReceiver::Start() {
  state_ = TransferState::Receiving;
  dataReportsReceived_ = 0;
  blocksAccepted_ = 0;
  blocksExpected_ = 0;
  payloadSize_ = 0;
  assembled_.clear();
}

BlockResult BlockReceiver::Receive(std::span<const std::uint8_t> report) {
  BlockResult result;
  result.sequence = static_cast<std::uint8_t>(dataReportsReceived_);  // mod 256
  ++dataReportsReceived_;
  result.outcome = Judge(report, dataReportsReceived_);
  return result;
}

BlockOutcome BlockReceiver::Judge(std::span<const std::uint8_t> report,
                                  std::uint32_t reportNumber) {
  // Before a start, after the last block and after a failure there is nothing to program.
  if (state_ != TransferState::Receiving) return BlockOutcome::Failed;
  if (!IsWellFormed(report)) {
    state_ = TransferState::Failed;
    return BlockOutcome::Failed;
  }
  const std::uint32_t block = blocksAccepted_;
  if (config_.unplugAtBlock == block || config_.disconnectAtBlock == block) {
    return BlockOutcome::Unplugged;
  }
  if (config_.silent == SilentRequest::Block && config_.silentBlock == block) {
    return BlockOutcome::Silent;
  }
  if (config_.failAtBlock == block) {
    state_ = TransferState::Failed;
    return BlockOutcome::Failed;
  }
  if (config_.resendEvery != 0 && reportNumber % config_.resendEvery == 0) {
    return BlockOutcome::SendAgain;
  }
  const auto data = report.subspan(kBlockDataOffset, kBlockDataSize);
  if (ReadWord(report, kBlockCrcOffset) != ComputeBlockCrc(kBlockCrcInitial, data)) {
    return BlockOutcome::SendAgain;
  }
  Accept(report);
  if (config_.lostAckAtBlock == block && !lostAckPlayed_) {
    lostAckPlayed_ = true;
    return BlockOutcome::AcceptedUnheard;
  }
  return BlockOutcome::Accepted;
}

bool BlockReceiver::IsWellFormed(std::span<const std::uint8_t> report) {
  if (report.size() < kDataBlockReportSize) return false;
  if (report[1] != kCommandDataBlock) return false;
  if (!AllZero(report.subspan(kBlockTagZeroFirst, kBlockTagZeroLast - kBlockTagZeroFirst + 1))) {
    return false;
  }
  if (!AllZero(report.subspan(kBlockReservedOffset, kBlockDataOffset - kBlockReservedOffset))) {
    return false;
  }
  const std::uint32_t size = ReadWord(report, kBlockSizeOffset);
  if (blocksExpected_ == 0) {
    // The first block tells how much is coming; the device has room for no more than this.
    if (size == 0 || size > kMaxPayloadSize) return false;
    payloadSize_ = size;
    blocksExpected_ = size / static_cast<std::uint32_t>(kBlockDataSize) + 1;
    assembled_.reserve(std::size_t{blocksExpected_} * kBlockDataSize);
    return true;
  }
  return size == payloadSize_;
}

void BlockReceiver::Accept(std::span<const std::uint8_t> report) {
  const auto data = report.subspan(kBlockDataOffset, kBlockDataSize);
  assembled_.insert(assembled_.end(), data.begin(), data.end());
  ++blocksAccepted_;
  if (blocksAccepted_ == blocksExpected_) state_ = TransferState::Complete;
}

}  // namespace kr55le::sim
