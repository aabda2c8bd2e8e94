#include "sim/device_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "image/image_payload.h"
#include "sim_test_requests.h"
#include "tests/support/image_bytes.h"

namespace kr55le::sim {
namespace {

using kr55le::testing::Payload;
using testing::CheckRequest;
using testing::InfoRequest;
using testing::NewOutput;
using testing::Report;
using testing::StartRequest;
using Bytes = std::map<std::size_t, std::uint8_t>;

Bytes Text(std::size_t offset, std::string_view text) {
  Bytes bytes;
  for (std::size_t i = 0; i < text.size(); ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(text[i]);
  return bytes;
}

Bytes Merge(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(part.begin(), part.end());
  return all;
}

Report ExitRequest(Report& output) {
  BuildExitRequest(ReportView(std::span(output)));
  return output;
}

TEST(DeviceModel, AnswersEachRequestAsTheDeviceWould) {
  const auto check = [](std::string_view kind, std::string_view version) {
    return [=](Report& output) { return CheckRequest(output, kind, version); };
  };
  const SimDeviceConfig audio = {.mode = UpgradeMode::Audio,
                                 .serialNumber = "AB",
                                 .softwareVersion = "3.1",
                                 .inputReportLength = 200};
  const struct {
    const char* name;
    SimDeviceConfig config;
    // Sent in order into one buffer; only the last request's reply is checked.
    std::vector<std::function<Report(Report&)>> requests;
    std::optional<Bytes> nonZeroBytes;  // nothing: the device stays silent
    std::size_t filledFrom = 0;         // the configured filler from here on, unless listed
  } cases[] = {
      {"InfoOfAudioDeviceZeroPadsShortTexts",
       audio,
       {InfoRequest},
       Merge({{{0, 0x08}, {27, 0x05}}, Text(1, "AB"), Text(11, "3.1"), Text(19, "01.00.00")})},
      {"CheckAcceptsFirmwareOfOtherVersion",
       {},
       {check("Pardo", "01.00.01")},
       Bytes{{0, 1}, {1, 1}, {2, 0x11}, {3, 0x33}}},
      {"CheckRejectsAudioOnFirmwareDevice",
       {},
       {check("AUDIO", "01.00.00")},
       Bytes{{0, 1}, {1, 1}, {3, 0x44}}},
      {"CheckRejectsKindInOtherCase",
       {},
       {check("PARDO", "01.00.00")},
       Bytes{{0, 1}, {1, 1}, {3, 0x44}}},
      {"CheckRejectsVersionWithoutDots",
       {},
       {check("Pardo", "01-00-00")},
       Bytes{{0, 1}, {1, 1}, {3, 0x33}}},
      {"StartWithoutCheckIsRefused", {}, {StartRequest}, Bytes{{0, 1}}},
      {"StartAfterRejectedCheckIsRefused",
       {},
       {check("AUDIO", "01.00.00"), StartRequest},
       Bytes{{0, 1}}},
      {"OneCheckPermitsOneStart",
       {},
       {check("Pardo", "01.00.00"), StartRequest, StartRequest},
       Bytes{{0, 1}}},
      // The filler goes past the bytes each reply defines; acknowledgements take the status ID.
      {"InfoIsFilledPastTheModeByte",
       {.serialNumber = "AB", .inputReportLength = 40, .replyFill = 0xA5},
       {InfoRequest},
       Merge({{{0, 0x08}}, Text(1, "AB"), Text(11, "01.00.00"), Text(19, "01.00.00")}),
       28},
      {"BlockAskedForAgainWithTheConfiguredCodeAndIdFilledPastItsNumber",
       {.statusReplyId = 3, .sendAgainCode = 0, .replyFill = 0xA5, .resendEvery = 1},
       {check("Pardo", "01.00.01"), StartRequest,
        [](Report& output) {
          BuildDataBlockReport(ReportView(std::span(output)), 1, Report(kBlockDataSize));
          return output;
        }},
       Bytes{{0, 3}},
       3},
      {"ExitHasNoReply", {}, {ExitRequest}, std::nullopt},
      {"UnknownReportIdHasNoReplyEvenToAKnownCommand",
       {},
       {[](Report&) {
         Report output = InfoRequest();
         output[0] = 0x07;
         return output;
       }},
       std::nullopt},
  };
  for (const auto& c : cases) {
    DeviceModel model(c.config);
    Report output = NewOutput();
    DeviceResponse response;
    for (const auto& request : c.requests) response = model.HandleOutputReport(request(output));
    EXPECT_EQ(!response.replies.empty(), c.nonZeroBytes.has_value()) << c.name;
    if (response.replies.empty() || !c.nonZeroBytes) continue;
    const Report& reply = response.replies.front().report;
    EXPECT_EQ(reply.size(), c.config.inputReportLength) << c.name;
    for (std::size_t i = 0; i < reply.size(); ++i) {
      const auto expected = c.nonZeroBytes->find(i);
      const std::uint8_t unlisted = i >= c.filledFrom ? c.config.replyFill : 0;
      EXPECT_EQ(reply[i], expected == c.nonZeroBytes->end() ? unlisted : expected->second)
          << c.name << ", byte " << i;
    }
  }
}

TEST(DeviceModel, StartReplyIsDueAfterTheEraseDelayAndLatency) {
  DeviceModel model({.eraseDelay = std::chrono::milliseconds(700),
                     .replyLatency = std::chrono::milliseconds(20)});
  Report output = NewOutput();
  EXPECT_EQ(model.HandleOutputReport(CheckRequest(output, "Pardo", "01.00.00")).replies.at(0).delay,
            std::chrono::milliseconds(20));
  EXPECT_EQ(model.HandleOutputReport(StartRequest(output)).replies.at(0).delay,
            std::chrono::milliseconds(720));
  // A start without a check of its own is refused, and counted all the same.
  model.HandleOutputReport(StartRequest(output));
  EXPECT_EQ(model.Counters().startRequests, 2U);
}

// Builds the block reports a host would send for one payload.
class Blocks {
 public:
  explicit Blocks(const std::vector<std::uint8_t>& payload)
      : size_(static_cast<std::uint32_t>(payload.size())) {
    staged_.Stage(payload);
  }
  Report Block(std::uint32_t n) const {
    Report report(kReportSize, 0);
    BuildDataBlockReport(ReportView(std::span(report)), size_, staged_.Block(n));
    return report;
  }

 private:
  std::uint32_t size_;
  ImagePayload staged_;
};

// What the host saw: "code@sequence" of the acknowledgement, "none" or "unplug" when it got none.
std::string Seen(const DeviceResponse& response) {
  if (response.unplug) return "unplug";
  if (response.replies.empty()) return "none";
  const std::vector<std::uint8_t>& reply = response.replies.front().report;
  return std::to_string(reply[kAckCodeByte]) + "@" + std::to_string(reply[kAckSequenceByte]);
}

TEST(BlockTransfer, BadChecksumAsksForTheBlockAgainAndIsNotKept) {
  const Blocks blocks(Payload(100));
  DeviceModel model({});
  testing::ArmForTransfer(model);
  Report corrupt = blocks.Block(0);
  corrupt[kBlockDataOffset + 5] ^= 0x01;

  EXPECT_EQ(Seen(model.HandleOutputReport(corrupt)), "2@0");
  EXPECT_TRUE(model.AssembledImage().empty());
  EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "1@1");
  EXPECT_EQ(model.AssembledImage().size(), kBlockDataSize);
}

TEST(BlockTransfer, BlocksOutsideATransferFail) {
  const Blocks blocks(Payload(10));
  DeviceModel model({});
  EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "3@0");  // before any start
  testing::ArmForTransfer(model);
  EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "1@0");
  EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "3@1");  // after the last
  EXPECT_EQ(model.AssembledImage().size(), kBlockDataSize);
  testing::ArmForTransfer(model);  // a second transfer assembles a new image
  EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "1@0");
  EXPECT_EQ(model.AssembledImage().size(), kBlockDataSize);
}

TEST(BlockTransfer, AFirstBlockOfNoPayloadFails) {
  Report first = Blocks(Payload(3000)).Block(0);
  std::fill_n(first.begin() + kBlockSizeOffset, sizeof(std::uint32_t), 0);
  DeviceModel model({});
  testing::ArmForTransfer(model);
  EXPECT_EQ(Seen(model.HandleOutputReport(first)), "3@0");
}

TEST(BlockTransfer, AMalformedBlockFailsTheTransfer) {
  const Blocks blocks(Payload(3000));
  const struct {
    const char* name;
    std::function<void(Report&)> spoil;  // applied to the second block
  } cases[] = {
      {"other size field", [](Report& report) { report[kBlockSizeOffset] ^= 1; }},
      {"reserved byte set", [](Report& report) { report[kBlockReservedOffset + 2] = 1; }},
      {"tag byte set", [](Report& report) { report[kBlockTagZeroLast] = 1; }},
      {"other command", [](Report& report) { report[1] = kCommandUpgradeStart; }},
      {"short report", [](Report& report) { report.resize(1000); }},
  };
  for (const auto& c : cases) {
    DeviceModel model({});
    testing::ArmForTransfer(model);
    ASSERT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "1@0") << c.name;
    Report spoiled = blocks.Block(1);
    c.spoil(spoiled);
    EXPECT_EQ(Seen(model.HandleOutputReport(spoiled)), "3@1") << c.name;
    EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(1))), "3@2") << c.name;
    EXPECT_EQ(model.Counters().transfer, TransferState::Failed) << c.name;
    EXPECT_EQ(model.AssembledImage().size(), kBlockDataSize) << c.name;
  }
}

}  // namespace
}  // namespace kr55le::sim
