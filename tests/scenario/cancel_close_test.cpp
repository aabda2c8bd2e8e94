#include <limits>

#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

// The block's worth of bytes from `at`: a block of a payload, or a data block report's data.
std::vector<std::uint8_t> BlockAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
          bytes.begin() + static_cast<std::ptrdiff_t>(at + kBlock)};
}

class CancelCloseTest : public Scenario {
 protected:
  // A six-block transfer whose device withholds the acknowledgement of the data report it
  // takes as block 3, so that only the click or the close can end that report's wait. The
  // person acts in the pump that begins the cycle of block 3.
  void TransferActingAtBlock3(std::function<void()> step) {
    StartWith({.lostAckAtBlock = 3});
    Browse(FirmwareImage(payload));
    AtBlock(3, [this] { ShrinkAcknowledgementBound(); });
    AtBlock(3, std::move(step));
    ClickUpgrade();
    AwaitWriter();
  }

  const std::vector<std::uint8_t> payload = Payload(5 * kBlock);
};

TEST_F(CancelCloseTest, CancelAtBlock3StillSendsThatBlockThenEndsWithoutCompletion) {
  TransferActingAtBlock3([this] { host.Click(Control::CancelButton); });

  const auto reports = DataReports();
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(BlockAt(reports[3], kBlockDataOffset), BlockAt(WithFiller(payload), 3 * kBlock));
  EXPECT_EQ(host.IgnoredSteps(), 0);
  EXPECT_EQ(Message(), text::kUpgradeDiscontinued);
  EXPECT_THAT(host.Beeps(), IsEmpty());
  ExpectNoCompletion();
  EXPECT_EQ(States(), kAfterCompletion);  // as a completed transfer leaves them
}

// The block that follows the exit request is the one the last acknowledgement asked for.
TEST_F(CancelCloseTest, CloseAtBlock3SendsTheExitRequestThenBlock3AndEnds) {
  TransferActingAtBlock3([this] { host.Escape(); });

  const auto reports = hid.ReceivedReports(device);
  ASSERT_GE(reports.size(), 3u);
  const auto& block2 = reports[reports.size() - 3];
  const auto& exit = reports[reports.size() - 2];
  const auto& next = reports[reports.size() - 1];
  EXPECT_EQ(block2[0], kDataReportId);
  EXPECT_EQ(BlockAt(block2, kBlockDataOffset), BlockAt(payload, 2 * kBlock));
  EXPECT_THAT(std::vector(exit.begin(), exit.begin() + 4), ElementsAre(0x01, 0x04, 0xFF, 0xFF));
  EXPECT_EQ(BlockAt(next, kBlockDataOffset), BlockAt(payload, 3 * kBlock));
  EXPECT_EQ(DataReports().size(), 4u);
  EXPECT_EQ(Counters().exitRequests, 1u);
  EXPECT_EQ(host.EndResult(), kIdCancel);
  EXPECT_EQ(host.SystemHoldsTaken(), 1);
  EXPECT_EQ(Message(), text::kFirmwareUpgrading);
  EXPECT_THAT(host.Beeps(), IsEmpty());
  ExpectNoCompletion();
}

// The block sent after a close makes the device remove itself, and the removal's notice comes
// from the device's thread once the dialog has gone: it must not reach it (ASan tells).
TEST_F(CancelCloseTest, RemovalNoticedAfterTheDialogHasGoneDoesNotReachIt) {
  StartWith({.unplugAtBlock = 3});
  Browse(FirmwareImage(payload));
  AtBlock(3, [this] { services.quirks().holdBlocks = true; });
  AtBlock(3, [this] { host.Escape(); });
  ClickUpgrade();

  dialog.reset();
  services.quirks().holdBlocks = false;
  EXPECT_TRUE(Eventually([this] { return !hid.IsPlugged(device); }));
  EXPECT_EQ(host.EndResult(), kIdCancel);
}

// The window closes without waiting for the erase to end, and no block goes out.
TEST_F(CancelCloseTest, CloseDuringTheStartWaitEndsItAndSendsNoBlock) {
  StartWith({.eraseDelay = std::chrono::milliseconds(50)});
  Browse(FirmwareImage(payload));
  host.When([this] { return Requests(kCommandUpgradeStart) == 1; }, [this] { host.Escape(); });

  ClickUpgrade();
  AwaitWriter();

  EXPECT_EQ(host.EndResult(), kIdCancel);
  EXPECT_EQ(Counters().exitRequests, 1u);
  EXPECT_THAT(DataReports(), IsEmpty());
  EXPECT_EQ(Message(), text::kUpgrading);
  EXPECT_THAT(host.Beeps(), IsEmpty());
  ExpectNoCompletion();
}

// A close that shows no serial number ends at once: with no device open the exit request could
// not go out, and a close that waited for it would not end.
class CloseAtOnceTest : public CancelCloseTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CloseAtOnceTest, CloseWithAnEmptySerialFieldEndsAtOnce) {
  const bool deviceOpen = GetParam();
  if (deviceOpen) hid.Plug({.serialNumber = ""});
  OpenDialog();
  ASSERT_EQ(link.HasDevice(), deviceOpen);
  dialog->bounds().closeDelay = std::numeric_limits<std::uint64_t>::max();

  Do([this] { host.Escape(); });

  EXPECT_EQ(host.EndResult(), kIdCancel);
  EXPECT_TRUE(dialog->CloseRequested);
  if (!deviceOpen) {
    EXPECT_TRUE(link.IsWritePending());  // queued, not waited for
  }
}

INSTANTIATE_TEST_SUITE_P(DeviceOpen, CloseAtOnceTest, ::testing::Bool());

}  // namespace
}  // namespace kr55le::testing
