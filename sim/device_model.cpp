#include "sim/device_model.h"

#include <algorithm>
#include <string_view>

#include "image/image_header.h"

namespace kr55le::sim {
namespace {

// Where the image check request carries the header fields: 1, 2, kind, version.

// A short report reads as zeros past its end, as the device's receive buffer would.
std::uint8_t ByteAt(std::span<const std::uint8_t> report, std::size_t index) {
  return index < report.size() ? report[index] : 0;
}

void PutText(std::vector<std::uint8_t>& reply, std::size_t offset, std::size_t width,
             std::string_view text) {
  const std::size_t count = std::min(text.size(), width);
  for (std::size_t i = 0; i < count && offset + i < reply.size(); ++i) {
    reply[offset + i] = static_cast<std::uint8_t>(text[i]);
  }
}

bool FieldHolds(std::span<const std::uint8_t> report, std::size_t offset, std::size_t width,
                std::string_view text) {
  for (std::size_t i = 0; i < width; ++i) {
    const std::uint8_t expected = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
    if (ByteAt(report, offset + i) != expected) return false;
  }
  return true;
}

}  // namespace

DeviceModel::DeviceModel(SimDeviceConfig config) : config_(config), receiver_(std::move(config)) {
  if (config_.replay) replay_.emplace(config_.replay, config_.replayRecordedTiming);
}

DeviceResponse DeviceModel::HandleOutputReport(std::span<const std::uint8_t> report) {
  received_.emplace_back(report.begin(), report.end());
  if (replay_) return replay_->Answer(report);
  if (report.empty()) return {};
  if (report[0] == kDataReportId) return AnswerDataBlock(report);
  if (report[0] != kRequestReportId || report.size() < 2) return {};
  switch (report[1]) {
    case kCommandDeviceInfo:
      ++infoRequests_;
      return AnswerDeviceInfo();
    case kCommandImageCheck:
      ++checkRequests_;
      return AnswerImageCheck(report);
    case kCommandUpgradeStart:
      ++startRequests_;
      return AnswerUpgradeStart();
    case kCommandExit:
      ++exitRequests_;
      return {};
    default:
      return {};
  }
}

DeviceCounters DeviceModel::Counters() const {
  DeviceCounters counters;
  counters.reportsReceived = received_.size();
  counters.dataReportsReceived = receiver_.DataReportsReceived();
  counters.blocksAccepted = receiver_.BlocksAccepted();
  counters.blocksExpected = receiver_.BlocksExpected();
  counters.payloadSize = receiver_.PayloadSize();
  counters.infoRequests = infoRequests_;
  counters.checkRequests = checkRequests_;
  counters.startRequests = startRequests_;
  counters.exitRequests = exitRequests_;
  counters.checkAccepted = checkAccepted_;
  counters.transfer = receiver_.State();
  return counters;
}

DeviceResponse DeviceModel::AnswerDeviceInfo() const {
  if (config_.silent == SilentRequest::DeviceInfo) return {};
  auto reply =
      NewReply(kDeviceInfoReplyId,
               {{kModeOffset, config_.mode == UpgradeMode::Audio ? kModeAudio : kModeFirmware}});
  PutText(reply, kSerialOffset, kSerialSize, config_.serialNumber);
  PutText(reply, kSoftwareVersionOffset, kVersionFieldSize, config_.softwareVersion);
  PutText(reply, kBootloaderVersionOffset, kVersionFieldSize, config_.bootloaderVersion);
  return Send(std::move(reply), std::chrono::milliseconds{0});
}

DeviceResponse DeviceModel::AnswerImageCheck(std::span<const std::uint8_t> report) {
  if (config_.silent == SilentRequest::ImageCheck) return {};
  const std::string_view tag =
      config_.mode == UpgradeMode::Audio ? kAudioKindTag : kFirmwareKindTag;
  bool accepted = true;
  for (std::size_t i = 0; i < kKindTagLength; ++i) {
    if (ByteAt(report, kCheckKindOffset + i) != static_cast<std::uint8_t>(tag[i])) accepted = false;
  }
  for (const std::size_t at : kVersionDotPositions) {
    if (ByteAt(report, kCheckVersionOffset + at) != kVersionDot) accepted = false;
  }
  checkAccepted_ = accepted;
  const bool sameVersion =
      FieldHolds(report, kCheckVersionOffset, kVersionFieldSize, config_.softwareVersion);

  return Send(NewReply(config_.statusReplyId,
                       {{kAnsweredByte, kAnswered},
                        {kCheckAcceptByte, accepted ? kCheckReady : kCheckRejected},
                        {kCheckVersionByte, sameVersion ? kCheckSameVersion : kCheckOtherVersion}}),
              std::chrono::milliseconds{0});
}

DeviceResponse DeviceModel::AnswerUpgradeStart() {
  if (config_.silent == SilentRequest::UpgradeStart) return {};
  if (!checkAccepted_) {
    return Send(NewReply(config_.statusReplyId, {{kAnsweredByte, kStartRefused}}),
                std::chrono::milliseconds{0});
  }
  // One accepted check permits one start; a later upgrade checks its image again.
  checkAccepted_ = false;
  receiver_.Start();
  return Send(NewReply(config_.statusReplyId, {{kAnsweredByte, kAnswered}}), config_.eraseDelay);
}

DeviceResponse DeviceModel::AnswerDataBlock(std::span<const std::uint8_t> report) {
  const BlockResult result = receiver_.Receive(report);
  std::uint8_t code = kAckFailed;
  switch (result.outcome) {
    case BlockOutcome::Accepted:
      code = kAckAccepted;
      break;
    case BlockOutcome::SendAgain:
      code = config_.sendAgainCode;
      break;
    case BlockOutcome::Failed:
      code = kAckFailed;
      break;
    case BlockOutcome::Silent:
    case BlockOutcome::AcceptedUnheard:
      return {};
    case BlockOutcome::Unplugged: {
      DeviceResponse gone;
      gone.unplug = true;
      return gone;
    }
  }
  DeviceResponse response =
      Send(Acknowledgement(code, result.sequence), std::chrono::milliseconds{0});
  // The first data report has no acknowledgement before it to repeat.
  if (result.outcome == BlockOutcome::SendAgain && config_.repeatAckAfterResend &&
      receiver_.DataReportsReceived() > 1 && !response.replies.empty()) {
    response.replies.push_back(
        {Acknowledgement(kAckAccepted, static_cast<std::uint8_t>(result.sequence - 1)),
         response.replies.front().delay + kRepeatedAckDelay});
  }
  return response;
}

std::vector<std::uint8_t> DeviceModel::Acknowledgement(std::uint8_t code,
                                                       std::uint8_t sequence) const {
  return NewReply(config_.statusReplyId, {{kAckCodeByte, code}, {kAckSequenceByte, sequence}});
}

std::vector<std::uint8_t> DeviceModel::NewReply(std::uint8_t reportId,
                                                std::initializer_list<ReplyByte> bytes) const {
  std::vector<std::uint8_t> reply(config_.inputReportLength, 0);
  if (!reply.empty()) reply[kReplyIdByte] = reportId;
  const auto fits = [&](const ReplyByte& byte) { return byte.index < reply.size(); };
  if (!std::all_of(bytes.begin(), bytes.end(), fits)) return reply;
  std::size_t answerEnd = kReplyIdByte + 1;
  for (const ReplyByte& byte : bytes) {
    reply[byte.index] = byte.value;
    answerEnd = std::max(answerEnd, byte.index + 1);
  }
  std::fill(reply.begin() + static_cast<std::ptrdiff_t>(answerEnd), reply.end(), config_.replyFill);
  return reply;
}

DeviceResponse DeviceModel::Send(std::vector<std::uint8_t> reply,
                                 std::chrono::milliseconds extraDelay) const {
  DeviceResponse response;
  // A device without input reports has no way to answer.
  if (reply.empty()) return response;
  response.replies.push_back({std::move(reply), config_.replyLatency + extraDelay});
  return response;
}

}  // namespace kr55le::sim
