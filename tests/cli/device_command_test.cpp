#include "cli/device_command.h"

#include <gtest/gtest.h>

#include <atomic>

#include "cli/exit_status.h"
#include "platform/sim/sim_hid_services.h"
#include "tests/support/memory_stream.h"

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

}  // namespace
}  // namespace kr55le
