#include <gmock/gmock.h>

#include "res/strings.h"
#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

using ::testing::ElementsAre;

class DiscoveryTest : public Scenario {
 protected:
  void ExpectAllDisabled() const {
    for (Control control : {Control::BrowseButton, Control::UpgradeButton, Control::CancelButton,
                            Control::PathEdit}) {
      EXPECT_FALSE(Enabled(control)) << ControlName(control);
    }
  }
};

TEST_F(DiscoveryTest, StartedWithNoDeviceShowsTheEmptyDisabledWindow) {
  OpenDialog();
  EXPECT_EQ(Message(), "No device is attached");
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  ExpectAllDisabled();
  for (Control field :
       {Control::SerialNumberField, Control::FileVersionField, Control::UpgradeModeField,
        Control::SoftwareVersionField, Control::BootloaderField, Control::PercentEdit}) {
    EXPECT_EQ(Text(field), "") << ControlName(field);
  }
  EXPECT_EQ(controls.GetPos(), 0);
  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_FALSE(link.HasDevice());
}

class IdentificationTest : public DiscoveryTest,
                           public ::testing::WithParamInterface<UpgradeMode> {};

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
  EXPECT_TRUE(Enabled(Control::BrowseButton));
  EXPECT_TRUE(Enabled(Control::PathEdit));
  EXPECT_FALSE(Enabled(Control::UpgradeButton));
  EXPECT_FALSE(Enabled(Control::CancelButton));
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_TRUE(host.Beeps().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, IdentificationTest,
                         ::testing::Values(UpgradeMode::Firmware, UpgradeMode::Audio));

TEST_F(DiscoveryTest, SilentDeviceLeavesTheEarlierIdentificationShown) {
  const std::size_t first = hid.Plug({.serialNumber = "FIRST00001"});
  OpenDialog();
  ASSERT_EQ(Text(Control::SerialNumberField), "FIRST00001");

  dialog->bounds().deviceInfo = 100000;  // only this wait runs into its bound
  hid.Unplug(first);
  hid.Plug({.serialNumber = "SECOND0002", .silent = sim::SilentRequest::DeviceInfo});
  HandleNotices();

  EXPECT_EQ(Message(),
            "Device is not connected in upgrade mode, read user manual for device upgrade.");
  EXPECT_EQ(Text(Control::SerialNumberField), "FIRST00001");
  EXPECT_EQ(Text(Control::UpgradeModeField), "Firmware upgrade");
  EXPECT_FALSE(dialog->DeviceReady);
  ExpectAllDisabled();
  EXPECT_EQ(host.Beeps().back(), Beep::Error);
}

TEST_F(DiscoveryTest, TwoDevicesAreListedAndTheBoxFollowsTheIdentification) {
  const std::size_t a = hid.Plug({.serialNumber = "AAAAAAAAAA"});
  const std::size_t b = hid.Plug({.serialNumber = "BBBBBBBBBB"});
  std::string messageWhenBoxOpened;
  host.When([&] { return !host.MessageBoxes().empty(); },
            TestAction::Run([&] { messageWhenBoxOpened = Message(); }));
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
}

TEST_F(DiscoveryTest, RescanSelectsTheSameDeviceByItsPath) {
  const std::size_t a = hid.Plug({.serialNumber = "AAAAAAAAAA"});
  const std::size_t b = hid.Plug({.serialNumber = "BBBBBBBBBB"});
  OpenDialog();
  controls.SetCurSel(Control::DeviceCombo, 1);  // the person picks the second entry

  hid.PlugUnrelated();  // any HID arrival rescans
  HandleNotices();
  EXPECT_EQ(Text(Control::SerialNumberField), "BBBBBBBBBB");
  EXPECT_EQ(InfoRequests(b), 1u);
  EXPECT_EQ(InfoRequests(a), 1u);

  hid.Unplug(a);  // the other device leaves: the selection stays on b wherever it now stands
  HandleNotices();
  EXPECT_EQ(dialog->DeviceCount, 1);
  EXPECT_EQ(InfoRequests(b), 2u);
  EXPECT_EQ(Text(Control::SerialNumberField), "BBBBBBBBBB");
}

TEST_F(DiscoveryTest, UnplugAndReplugIdentifiesTheDeviceAgain) {
  const std::size_t first = hid.Plug();
  OpenDialog();
  hid.Unplug(first);
  HandleNotices();
  EXPECT_EQ(Message(), "No device is attached");
  EXPECT_EQ(Text(Control::SerialNumberField), "");
  EXPECT_FALSE(link.HasDevice());

  const std::size_t again = hid.Plug({.mode = UpgradeMode::Audio});
  HandleNotices();
  EXPECT_EQ(Message(), "Device is connected in audio upgrade mode.Browse a file for upgrade.");
  EXPECT_EQ(InfoRequests(again), 1u);
  EXPECT_TRUE(Enabled(Control::BrowseButton));
}

TEST_F(DiscoveryTest, UnrelatedDeviceArrivingRepeatsTheExchange) {
  const std::size_t device = hid.Plug();
  hid.PlugUnrelated();
  OpenDialog();
  EXPECT_EQ(dialog->DeviceCount, 1);
  EXPECT_EQ(controls.Count(Control::DevicePathList), 1);
  hid.PlugUnrelated();
  HandleNotices();
  EXPECT_EQ(InfoRequests(device), 2u);
  EXPECT_TRUE(dialog->DeviceReady);
}

// Services whose only interface spells the vendor in capitals.
class UpperCaseVendorServices : public hid::HidServices {
 public:
  std::vector<hid::HidInterface> Enumerate() override {
    return {{"/dev/hidraw4#VID_0483&PID_5750", "Pardo KR-55LE"}};
  }
  std::shared_ptr<hid::HidDevice> Open(const std::string&, hid::HidResult& result) override {
    ++opens;
    result = {hid::HidError::NotFound, 0, "not found"};
    return nullptr;
  }
  void RegisterNotices(std::function<void(hid::DeviceChange)>) override {}
  int opens = 0;
};

TEST_F(DiscoveryTest, VendorTextInCapitalsOnlyIsNotMatched) {
  UpperCaseVendorServices services;
  CFlashwellDlg scanned(host, controls, services, link);
  host.Attach(scanned);
  scanned.OnInitDialog();
  EXPECT_EQ(Message(), "No device is attached");
  EXPECT_EQ(controls.Count(Control::DevicePathList), 0);
  EXPECT_EQ(services.opens, 0);
}

TEST_F(DiscoveryTest, StoredPathsAreUpperCasedAndPairedWithTheirEntries) {
  hid.Plug({.hasDescription = false});
  hid.Plug();
  OpenDialog();
  EXPECT_THAT(controls.Items(Control::DevicePathList),
              ElementsAre("/DEV/HIDRAW0#VID_0483&PID_5750", "/DEV/HIDRAW1#VID_0483&PID_5750"));
  // Each entry stays beside its own path, although the texts alone would sort the other way.
  EXPECT_THAT(controls.Items(Control::DeviceCombo),
              ElementsAre("Add the name of device", "Pardo KR-55LE is connected"));
}

TEST_F(DiscoveryTest, DeviceWithReportsLongerThanTheBuffersIsNotUsed) {
  hid.Plug({.inputReportLength = 64, .outputReportLength = 2048});
  OpenDialog();
  EXPECT_FALSE(link.HasDevice());
  EXPECT_EQ(Message(),
            "Device is not connected in upgrade mode, read user manual for device upgrade.");
  EXPECT_EQ(dialog->LastOpenResult.error, hid::HidError::TooLong);
}

}  // namespace
}  // namespace kr55le::testing
