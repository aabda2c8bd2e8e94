// A program without threads (the page in a browser): its host runs the report link's passes
// between the dialog's polls, and the dialog ends as it does with threads.
#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

using ThreadlessTest = Scenario;

// Small, so that every wait runs the link many times, batch after batch.
constexpr unsigned kLinkRunInterval = 7;

TEST_F(ThreadlessTest, TheUpgradeCompletesAndTheCloseSendsTheExitRequest) {
  RunLinkWithoutThreads(kLinkRunInterval);
  StartWith();
  ASSERT_EQ(Text(Control::SerialNumberField), "KR55LE0001");
  const auto payload = Payload(2 * kBlock + 1);
  Browse(File(MakeImage(kFirmwareKind, kOtherVersion, payload)));

  ClickUpgrade();

  ExpectFirmwareCompleted(payload);
  // The close waits for the exit request to go out, which only the host's runs of the link send.
  Do([this] { host.Escape(); });
  EXPECT_EQ(host.EndResult(), kIdCancel);
  EXPECT_EQ(Requests(kCommandExit), 1u);
}

// Where a wait's polls run in batches, its bound is still counted poll by poll.
TEST_F(ThreadlessTest, ASilentDeviceEndsTheScanWhenItsPollsAreSpent) {
  RunLinkWithoutThreads(kLinkRunInterval);
  bounds.deviceInfo = 10 * kLinkRunInterval + 3;
  StartWith({.silent = sim::SilentRequest::DeviceInfo});
  EXPECT_EQ(Message(), text::kNotInUpgradeMode);
  EXPECT_EQ(InfoRequests(0), 1u);
}

}  // namespace
}  // namespace kr55le::testing
