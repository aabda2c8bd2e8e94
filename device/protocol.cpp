#include "device/protocol.h"

#include <algorithm>

#include "device/block_crc.h"

namespace kr55le {
namespace {

// Request bytes set to kFillByte after the report ID and command.
constexpr std::size_t kDeviceInfoFillLast = 49;
constexpr std::size_t kUpgradeStartFillLast = 9;
constexpr std::size_t kShortFillLast = 3;  // image check and exit requests

void SetCommand(ReportView& output, std::uint8_t reportId, std::uint8_t command) {
  output.Set(0, reportId);
  output.Set(1, command);
}

void SetWord(ReportView& report, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    report.Set(at + i, static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

}  // namespace

void BuildDeviceInfoRequest(ReportView output) {
  output.Fill(2, kDeviceInfoFillLast, kFillByte);
  SetCommand(output, kRequestReportId, kCommandDeviceInfo);
}

void BuildImageCheckRequest(ReportView output, const ImageCheckFields& fields) {
  SetCommand(output, kRequestReportId, kCommandImageCheck);
  output.Fill(2, kShortFillLast, kFillByte);
  std::size_t at = kCheckFieldsOffset;
  for (const auto* field :
       {&fields.HeaderField1, &fields.HeaderField2, &fields.ImageKind, &fields.ImageVersion}) {
    output.Write(at, *field);
    at += kHeaderFieldSize;
  }
}

void BuildUpgradeStartRequest(ReportView output) {
  output.Fill(2, kUpgradeStartFillLast, kFillByte);
  SetCommand(output, kRequestReportId, kCommandUpgradeStart);
}

void BuildExitRequest(ReportView output) {
  SetCommand(output, kRequestReportId, kCommandExit);
  output.Fill(2, kShortFillLast, kFillByte);
}

void BuildDataBlockReport(ReportView block, std::uint32_t payloadSize,
                          std::span<const std::uint8_t> data) {
  SetWord(block, 0, kDataBlockTag);
  SetWord(block, kBlockSizeOffset, payloadSize);
  block.Write(kBlockDataOffset, data.first(std::min(data.size(), kBlockDataSize)));
  std::array<std::uint8_t, kBlockDataSize> sealed{};
  block.Read(kBlockDataOffset, sealed);
  SetWord(block, kBlockCrcOffset, ComputeBlockCrc(kBlockCrcInitial, sealed));
}

void ApplyMarker(ReportView input, const InputMarker& marker) {
  input.Fill(marker.first, marker.last, marker.value);
}

bool IsDeviceInfoReply(const ReportView& input) {
  return input.Get(kReplyIdByte) == kDeviceInfoReplyId;
}

std::string ReadTextField(const ReportView& report, std::size_t offset, std::size_t width) {
  std::string text;
  for (std::size_t i = 0; i < width; ++i) {
    const std::uint8_t byte = report.Get(offset + i);
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

DeviceInfoReply ReadDeviceInfoReply(const ReportView& input) {
  DeviceInfoReply reply;
  reply.SerialNumber = ReadTextField(input, kSerialOffset, kSerialSize);
  reply.SoftwareVersion = ReadTextField(input, kSoftwareVersionOffset, kVersionFieldSize);
  reply.BootloaderVersion = ReadTextField(input, kBootloaderVersionOffset, kVersionFieldSize);
  reply.Mode = input.Get(kModeOffset) == kModeAudio ? UpgradeMode::Audio : UpgradeMode::Firmware;
  return reply;
}

bool IsStatusReply(const ReportView& input) {
  return !IsDeviceInfoReply(input);
}

bool HasAnswered(const ReportView& input) {
  return IsStatusReply(input) && input.Get(kAnsweredByte) == kAnswered;
}

CheckVerdict ReadCheckVerdict(const ReportView& input) {
  if (input.Get(kCheckAcceptByte) == kCheckRejected) return CheckVerdict::Rejected;
  switch (input.Get(kCheckVersionByte)) {
    case kCheckSameVersion:
      return CheckVerdict::SameVersion;
    case kCheckOtherVersion:
    case kCheckOtherVersionAlt:
      return CheckVerdict::OtherVersion;
    default:
      return CheckVerdict::NoVerdict;
  }
}

bool IsReadyToInstall(const ReportView& input) {
  return input.Get(kCheckAcceptByte) == kCheckReady;
}

bool IsBlockAck(const ReportView& input, std::uint8_t sequence) {
  return IsStatusReply(input) && input.Get(kAckSequenceByte) == sequence;
}

BlockAck ReadBlockAck(const ReportView& input) {
  switch (input.Get(kAckCodeByte)) {
    case kAckAccepted:
      return BlockAck::Accepted;
    case kAckFailed:
      return BlockAck::Failed;
    default:
      return BlockAck::SendAgain;
  }
}

bool IsUploadFailure(const ReportView& input) {
  return IsStatusReply(input) && input.Get(kAckCodeByte) == kAckFailed;
}

}  // namespace kr55le
