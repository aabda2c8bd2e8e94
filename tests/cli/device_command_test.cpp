#include "cli/device_command.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "platform/sim/sim_hid_services.h"
#include "res/strings.h"
#include "tests/support/image_bytes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_file.h"

namespace kr55le {
namespace {

// A device identified, then the window closed (Ctrl+C with no transfer to cancel): the command
// did not end on its own goal.
TEST(DeviceCommand, AClosedWindowIsNoSuccessWhateverItShowed) {
  for (const int presses : {0, 1}) {
    sim::SimHidServices hid;
    hid.Plug();
    testing::MemoryStream out;
    testing::MemoryStream errors;
    FlashOutput output(out.file(), OutputFormat::Lines, MessageList::Included);
    const std::atomic<int> pressed{presses};
    FlashArguments info;
    info.command = FlashCommand::Info;
    const int status =
        RunDeviceCommand(info, hid, output, {.interrupts = &pressed, .errors = errors.file()});
    EXPECT_EQ(status, presses == 0 ? kExitDone : kExitNotDone) << presses;
    EXPECT_NE(out.Text().find("serial: KR55LE0001"), std::string::npos) << presses;
  }
}

// A device that goes away as soon as its upgrade has completed (re-enumerating, as one that
// restarts): the completion stays the run's result and last text; no scan that finds no device
// follows it.
TEST(DeviceCommand, ACompletedUpgradeKeepsItsCompletionWhenTheDeviceGoes) {
  sim::SimHidServices hid;
  const std::size_t device = hid.Plug();
  const testing::TempFile image(
      testing::MakeImage("Pardo", "02.00.01", testing::Payload(2 * testing::kBlock)));
  FlashArguments upgrade;
  upgrade.command = FlashCommand::Upgrade;
  upgrade.image = image.path();
  testing::MemoryStream errors;
  std::vector<std::string> texts;
  const DialogRun run =
      RunDialog(upgrade, hid, {.errors = errors.file()}, [&](std::string_view shown) {
        texts.emplace_back(shown);
        if (shown == text::kFirmwareCompleted) hid.Unplug(device);
      });
  EXPECT_EQ(run.status, kExitDone);
  EXPECT_EQ(run.lastMessage, text::kFirmwareCompleted);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), text::kFirmwareCompleted);
}

}  // namespace
}  // namespace kr55le
