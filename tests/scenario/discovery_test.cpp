#include <limits>
#include <thread>

#include "device/protocol.h"
#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

using DiscoveryTest = Scenario;

// A device whose path spells the vendor in capitals only is not one of ours.
TEST_F(DiscoveryTest, StartedWithNoDeviceOfOursShowsTheEmptyDisabledWindow) {
  services.quirks().capitalIds = true;
  StartWith();
  EXPECT_EQ(Message(), "No device is attached");
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(States(), kNoDevice);
  for (Control field :
       {Control::SerialNumberField, Control::FileVersionField, Control::UpgradeModeField,
        Control::SoftwareVersionField, Control::BootloaderField, Control::PercentEdit}) {
    EXPECT_EQ(Text(field), "") << static_cast<int>(field);
  }
  EXPECT_EQ(controls.GetPos(), 0);
  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_FALSE(link.HasDevice());
  EXPECT_THAT(controls.Items(Control::DevicePathList), IsEmpty());
  EXPECT_EQ(services.quirks().opens, 0);
}

// A link thread the system refuses is said in its box with the error code; the window goes on.
class UnstartableThreadTest : public Scenario, public ::testing::WithParamInterface<LinkThread> {};

TEST_P(UnstartableThreadTest, IsSaidInItsBoxWithTheErrorCode) {
  unstartable = GetParam();
  OpenDialog();
  std::string box(GetParam() == LinkThread::Reader ? text::kReadThreadFailed
                                                   : text::kWriteThreadFailed);
  box.replace(box.find("%d"), 2, std::to_string(kThreadStartRefusal));
  EXPECT_THAT(host.MessageBoxes(), ElementsAre(box));
  EXPECT_EQ(Message(), "No device is attached");
}

INSTANTIATE_TEST_SUITE_P(Threads, UnstartableThreadTest,
                         ::testing::Values(LinkThread::Reader, LinkThread::Writer));

class IdentificationTest : public Scenario, public ::testing::WithParamInterface<UpgradeMode> {};

TEST_P(IdentificationTest, AnsweringDeviceIsIdentifiedInItsMode) {
  const bool audio = GetParam() == UpgradeMode::Audio;
  hid.Plug({.mode = GetParam(),
            .serialNumber = "SN12345678",
            .softwareVersion = "02.01.07",
            .bootloaderVersion = "BL.00.03"});
  OpenDialog();

  EXPECT_EQ(Message(), std::string("Device is connected in ") + (audio ? "audio" : "firmware") +
                           " upgrade mode.Browse a file for upgrade.");
  EXPECT_EQ(Text(Control::UpgradeModeField), audio ? "Audio upgrade" : "Firmware upgrade");
  EXPECT_EQ(Text(Control::SerialNumberField), "SN12345678");
  EXPECT_EQ(Text(Control::SoftwareVersionField), "02.01.07");
  EXPECT_EQ(Text(Control::BootloaderField), "BL.00.03");
  EXPECT_EQ(Text(Control::PathEdit), " ");
  EXPECT_EQ(Text(Control::DeviceCombo), "Pardo KR-55LE is connected");
  EXPECT_EQ(States(), kIdentified);
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_TRUE(host.Beeps().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, IdentificationTest,
                         ::testing::Values(UpgradeMode::Firmware, UpgradeMode::Audio));

TEST_F(DiscoveryTest, SilentDeviceLeavesTheEarlierIdentificationShown) {
  StartWith({.serialNumber = "FIRST00001"});
  ASSERT_EQ(Text(Control::SerialNumberField), "FIRST00001");

  dialog->bounds().deviceInfo = 100000;  // only this wait runs into its bound
  hid.Unplug(device);
  hid.Plug({.serialNumber = "SECOND0002", .silent = sim::SilentRequest::DeviceInfo});
  HandleNotices();

  EXPECT_EQ(Message(),
            "Device is not connected in upgrade mode, read user manual for device upgrade.");
  EXPECT_EQ(Text(Control::SerialNumberField), "FIRST00001");
  EXPECT_EQ(Text(Control::UpgradeModeField), "Firmware upgrade");
  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_EQ(States(), kNoDevice);
  EXPECT_EQ(LastBeep(), Beep::Error);
}

// The box follows the first device's identification; a rescan selects the same device by its
// path, wherever it now stands.
TEST_F(DiscoveryTest, TwoDevicesAreListedAndARescanKeepsTheSelectedOne) {
  const std::size_t a = hid.Plug({.serialNumber = "AAAAAAAAAA"});  // /dev/hidraw0
  const std::size_t b = hid.Plug({.serialNumber = "BBBBBBBBBB"});  // /dev/hidraw1
  std::string messageWhenBoxOpened;
  host.When([&] { return !host.MessageBoxes().empty(); },
            [&] { messageWhenBoxOpened = Message(); });
  OpenDialog();

  EXPECT_EQ(dialog->DeviceCount, 2);
  EXPECT_THAT(controls.Items(Control::DeviceCombo),
              ElementsAre("Pardo KR-55LE is connected", "Pardo KR-55LE is connected"));
  EXPECT_EQ(controls.GetCurSel(Control::DeviceCombo), 0);
  EXPECT_THAT(host.MessageBoxes(),
              ElementsAre("Multiple devices are attached. Remove any one device for contiued "
                          "operation. \n"));
  EXPECT_EQ(messageWhenBoxOpened,
            "Device is connected in firmware upgrade mode.Browse a file for upgrade.");
  EXPECT_EQ(Text(Control::SerialNumberField), "AAAAAAAAAA");  // the first one, identified
  EXPECT_EQ(InfoRequests(a), 1u);
  EXPECT_EQ(InfoRequests(b), 0u);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));

  hid.Unplug(a);  // b is now the only entry, and selected
  HandleNotices();
  ASSERT_EQ(Text(Control::SerialNumberField), "BBBBBBBBBB");
  const std::size_t c = hid.Plug({.serialNumber = "CCCCCCCCCC"});  // /dev/hidraw0, before b
  HandleNotices();
  EXPECT_EQ(dialog->DeviceCount, 2);
  EXPECT_EQ(Text(Control::SerialNumberField), "BBBBBBBBBB");
  EXPECT_EQ(InfoRequests(b), 2u);
  EXPECT_EQ(InfoRequests(c), 0u);
}

TEST_F(DiscoveryTest, DeviceRemovedDuringItsIdentificationEndsTheWaitAtOnce) {
  const std::size_t silent = hid.Plug({.silent = sim::SilentRequest::DeviceInfo});
  bounds.deviceInfo = std::numeric_limits<std::uint64_t>::max();  // only the removal ends it
  std::thread remover([this, silent] {
    EXPECT_TRUE(Eventually([this, silent] { return InfoRequests(silent) == 1; }));
    hid.Unplug(silent);
  });
  OpenDialog();
  remover.join();

  EXPECT_EQ(Message(), text::kNotInUpgradeMode);
  EXPECT_FALSE(dialog->DeviceReady);
  HandleNotices();
  EXPECT_EQ(Message(), text::kNoDeviceAttached);
}

// Another program has the device: the window looks again at each tick, quietly while it stays
// taken, and once it is free or gone shows so and stops; a tick queued before then does nothing.
class InUseTest : public Scenario, public ::testing::WithParamInterface<bool> {};

TEST_P(InUseTest, WindowLeavesTheInUseStateByItselfAndStopsLooking) {
  const bool removed = GetParam();
  device = hid.Plug();
  hid::HidResult taken;
  auto otherHold = hid.OtherProgram()->Open(hid.PathOf(device), taken);
  OpenDialog();
  ASSERT_EQ(Message(), text::kDeviceInUse);
  Do([this] { host.ElapseTimer(); });
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));  // the look showed nothing new

  if (removed) hid.Unplug(device);
  otherHold.reset();
  host.ElapseTimer();
  host.ElapseTimer();
  host.PumpMessages();
  EXPECT_EQ(Message(), removed ? std::string(text::kNoDeviceAttached) : kIdentifiedMessage);
  EXPECT_EQ(InfoRequests(device), removed ? 0u : 1u);
  EXPECT_EQ(host.Timer(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Ends, InUseTest, ::testing::Values(false, true), [](const auto& row) {
  return row.param ? "DeviceRemoved" : "OtherProgramEnded";
});

// A request still raised when its device went (a block, here the exit request) is not for the
// device opened next, however long opening it takes.
TEST_F(DiscoveryTest, ARequestLeftForARemovedDeviceNeverReachesTheNextOne) {
  StartWith();
  hid.Unplug(device);
  HandleNotices();
  ASSERT_FALSE(link.HasDevice());
  BuildExitRequest(link.BeginRequest());
  link.RaiseWritePending();

  services.quirks().slowAttributes = true;
  const std::size_t next = hid.Plug();
  HandleNotices();
  EXPECT_EQ(Message(), kIdentifiedMessage);
  EXPECT_EQ(hid.Counters(next).exitRequests, 0u);
}

// Another vendor's device between them is not listed.
TEST_F(DiscoveryTest, AfterARescanTheComboShowsTheEntryOfTheDeviceOpened) {
  const std::size_t unnamed = hid.Plug({.hasDescription = false});  // first in the list
  hid.Plug({.serialNumber = "BBBBBBBBBB"});
  OpenDialog();
  ASSERT_EQ(Text(Control::DeviceCombo), "Add the name of device");
  EnterPath("missing.bin");  // an upgrade refused, after it read the entry shown
  hid.Unplug(unnamed);
  HandleNotices();
  EXPECT_EQ(Text(Control::SerialNumberField), "BBBBBBBBBB");
  EXPECT_EQ(Text(Control::DeviceCombo), "Pardo KR-55LE is connected");
}

TEST_F(DiscoveryTest, StoredPathsAreUpperCasedAndPairedWithTheirEntries) {
  hid.Plug({.hasDescription = false});
  hid.PlugUnrelated();
  hid.Plug();
  OpenDialog();
  EXPECT_THAT(controls.Items(Control::DevicePathList),
              ElementsAre("/DEV/HIDRAW0#VID_0483&PID_5750", "/DEV/HIDRAW2#VID_0483&PID_5750"));
  // Each entry stays beside its own path, although the texts alone would sort the other way.
  EXPECT_THAT(controls.Items(Control::DeviceCombo),
              ElementsAre("Add the name of device", "Pardo KR-55LE is connected"));
}

// Whether a device is used follows from its report lengths alone, whatever the attributes
// query says; a stray report ahead of the reply does not end the identification's wait.
struct OpenCase {
  const char* name;
  bool attributesFail = false;
  std::optional<std::uint8_t> strayId{};
  std::uint16_t outputLength = kReportSize;
  friend void PrintTo(const OpenCase& row, std::ostream* out) { *out << row.name; }
};

constexpr std::uint16_t kTooLong = 2 * kReportSize;

const OpenCase kOpenCases[] = {
    {.name = "LengthsThatFit"},
    {.name = "ReportsLongerThanTheBuffers", .outputLength = kTooLong},
    {.name = "AttributesFailLengthsFit", .attributesFail = true},
    {.name = "AttributesFailReportsTooLong", .attributesFail = true, .outputLength = kTooLong},
    {.name = "StrayReportBeforeTheReply", .strayId = sim::kDefaultStatusReplyId},
};

class OpenTest : public DiscoveryTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenTest, DeviceIsUsedExactlyWhenItsReportsFit) {
  const OpenCase& c = GetParam();
  const bool used = c.outputLength == kReportSize;
  services.quirks().attributesFail = c.attributesFail;
  services.quirks().strayId = c.strayId;
  // A reply well after the stray, which comes on the first read after the request.
  hid.Plug({.outputReportLength = c.outputLength, .replyLatency = std::chrono::milliseconds(20)});
  OpenDialog();

  EXPECT_EQ(link.HasDevice(), used);
  EXPECT_EQ(dialog->DeviceReady, used);
  EXPECT_EQ(Message(), used ? kIdentifiedMessage : std::string(text::kNotInUpgradeMode));
  if (used) {
    EXPECT_EQ(Text(Control::SerialNumberField), sim::kDefaultSerialNumber);
  } else {
    EXPECT_EQ(dialog->LastOpenResult.error, hid::HidError::TooLong);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, OpenTest, ::testing::ValuesIn(kOpenCases), CaseName);

}  // namespace
}  // namespace kr55le::testing
