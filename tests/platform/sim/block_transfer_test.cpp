#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device/protocol.h"
#include "image/image_payload.h"
#include "platform/sim/device_model.h"
#include "sim_test_requests.h"
#include "tests/support/image_bytes.h"

namespace kr55le::sim {
namespace {

using kr55le::testing::Payload;
using testing::Report;

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

struct MalformedCase {
  const char* name;
  std::function<void(Report&)> spoil;  // applied to the second block
};

class MalformedBlock : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBlock, FailsTheTransfer) {
  const Blocks blocks(Payload(3000));
  DeviceModel model({});
  testing::ArmForTransfer(model);
  ASSERT_EQ(Seen(model.HandleOutputReport(blocks.Block(0))), "1@0");
  Report spoiled = blocks.Block(1);
  GetParam().spoil(spoiled);
  EXPECT_EQ(Seen(model.HandleOutputReport(spoiled)), "3@1");
  EXPECT_EQ(Seen(model.HandleOutputReport(blocks.Block(1))), "3@2");
  EXPECT_EQ(model.Counters().transfer, TransferState::Failed);
  EXPECT_EQ(model.AssembledImage().size(), kBlockDataSize);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, MalformedBlock,
    ::testing::Values(
        MalformedCase{"OtherSizeField", [](Report& report) { report[kBlockSizeOffset] ^= 1; }},
        MalformedCase{"ReservedByteSet",
                      [](Report& report) { report[kBlockReservedOffset + 2] = 1; }},
        MalformedCase{"TagByteSet", [](Report& report) { report[kBlockTagZeroLast] = 1; }},
        MalformedCase{"OtherCommand", [](Report& report) { report[1] = kCommandUpgradeStart; }},
        MalformedCase{"ShortReport", [](Report& report) { report.resize(1000); }}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kr55le::sim
