// A listed device that may not be opened: the hint that names the node and the fix, and the
// command's exit status 3.
#include <gmock/gmock.h>

#include "cli/device_command.h"
#include "cli/exit_status.h"
#include "dialog/flashwell_dlg.h"
#include "platform/sim/sim_hid_services.h"
#include "tests/support/memory_stream.h"
#include "tests/support/test_host.h"

namespace kr55le {
namespace {

using ::testing::HasSubstr;

constexpr char kHint[] =
    "/dev/hidraw0 cannot be opened: permission denied. Install the udev rule "
    "70-kr55le-upgrade.rules in /etc/udev/rules.d (or the package that ships it), then re-plug "
    "the device.";

// The simulated bus, with every open refused as a node without access rights is, until the
// rights are granted.
class DenyingServices : public sim::SimHidServices {
 public:
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override {
    if (granted) return SimHidServices::Open(path, result);
    result = {hid::HidError::PermissionDenied, EACCES, "open(/dev/hidraw0): Permission denied"};
    return nullptr;
  }
  bool granted = false;
};

// The hint names the node only while it may not be opened: a later scan that opens the device,
// or finds none, takes it back.
TEST(PermissionHint, IsShownOnlyWhileTheNodeMayNotBeOpened) {
  enum class Then { Nothing, Grant, Unplug };
  const struct {
    bool denied;
    Then then;
    std::vector<std::string> hints;
  } cases[] = {
      {false, Then::Nothing, {}},
      {true, Then::Nothing, {kHint, kHint}},
      {true, Then::Grant, {kHint, ""}},
      {true, Then::Unplug, {kHint, ""}},
  };
  for (const auto& c : cases) {
    DenyingServices hid;
    hid.granted = !c.denied;
    const std::size_t device = hid.Plug();
    ControlModel controls;
    TestHost host(controls);
    ReportLink link;
    CFlashwellDlg dialog(host, controls, hid, link);
    host.Attach(dialog);
    ::testing::internal::CaptureStderr();
    dialog.OnInitDialog();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.denied ? std::string(kHint) + "\n" : "");
    if (c.then == Then::Grant) {
      hid.granted = true;
      hid.PlugUnrelated();  // any arrival rescans
    } else if (c.then == Then::Unplug) {
      hid.Unplug(device);
    }
    for (int pump = 0; pump < 3; ++pump) host.PumpMessages();
    hid.PlugUnrelated();  // one more rescan: a hint taken back stays away
    for (int pump = 0; pump < 3; ++pump) host.PumpMessages();
    hid.RegisterNotices(nullptr);
    EXPECT_EQ(host.Hints(), c.hints) << static_cast<int>(c.then);
  }
}

TEST(PermissionHint, EveryDeviceCommandExitsThreeWhenTheDeviceMayNotBeOpened) {
  for (const FlashCommand command :
       {FlashCommand::Info, FlashCommand::Check, FlashCommand::Upgrade}) {
    DenyingServices hid;
    hid.Plug();
    testing::MemoryStream out;
    testing::MemoryStream errors;
    FlashOutput output(out.file(), OutputFormat::Lines, MessageList::Included);
    FlashArguments arguments;
    arguments.command = command;
    arguments.image = "/nonexistent.bin";
    ::testing::internal::CaptureStderr();
    const int status = RunDeviceCommand(arguments, hid, output, {.errors = errors.file()});
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr(kHint));
    EXPECT_EQ(status, kExitNoPermission);
    EXPECT_THAT(out.Text(), HasSubstr("message: Device is not connected in upgrade mode"));
  }
}

}  // namespace
}  // namespace kr55le
