#include <gmock/gmock.h>

#include "res/strings.h"
#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

using ::testing::ElementsAre;

constexpr Control kIdentificationFields[] = {Control::SerialNumberField,
                                             Control::SoftwareVersionField,
                                             Control::BootloaderField, Control::UpgradeModeField};

using DiscoveryTest = Scenario;

TEST_F(DiscoveryTest, StartedWithNoDeviceShowsTheEmptyDisabledWindow) {
  OpenDialog();
  EXPECT_EQ(Message(), "No device is attached");
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  for (Control control :
       {Control::BrowseButton, Control::UpgradeButton, Control::CancelButton, Control::PathEdit}) {
    EXPECT_FALSE(Enabled(control)) << ControlName(control);
  }
  for (Control field :
       {Control::SerialNumberField, Control::FileVersionField, Control::UpgradeModeField,
        Control::SoftwareVersionField, Control::BootloaderField, Control::PercentEdit}) {
    EXPECT_EQ(Text(field), "") << ControlName(field);
  }
  EXPECT_EQ(controls.GetPos(), 0);
  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_FALSE(link.HasDevice());
}

TEST_F(DiscoveryTest, AnsweringDeviceIsIdentifiedInItsMode) {
  struct Case {
    UpgradeMode mode;
    const char* message;
    const char* modeText;
  };
  const Case cases[] = {
      {UpgradeMode::Firmware,
       "Device is connected in firmware upgrade mode.Browse a file for upgrade.",
       "Firmware upgrade"},
      {UpgradeMode::Audio, "Device is connected in audio upgrade mode.Browse a file for upgrade.",
       "Audio upgrade"},
  };
  for (const auto& c : cases) {
    ControlModel model;
    TestHost testHost{model};
    sim::SimHidServices services;
    ReportLink reportLink{kScenarioTiming};
    services.Plug({.mode = c.mode,
                   .serialNumber = "SN12345678",
                   .softwareVersion = "02.01.07",
                   .bootloaderVersion = "BL.00.03"});
    CFlashwellDlg scanned(testHost, model, services, reportLink);
    testHost.Attach(scanned);
    scanned.OnInitDialog();

    EXPECT_EQ(model.Text(Control::MessageEdit), c.message);
    EXPECT_EQ(model.Text(Control::UpgradeModeField), c.modeText);
    EXPECT_EQ(model.Text(Control::SerialNumberField), "SN12345678");
    EXPECT_EQ(model.Text(Control::SoftwareVersionField), "02.01.07");
    EXPECT_EQ(model.Text(Control::BootloaderField), "BL.00.03");
    EXPECT_EQ(model.Text(Control::PathEdit), " ");
    EXPECT_EQ(model.Text(Control::DeviceCombo), "Pardo KR-55LE is connected");
    EXPECT_TRUE(model.IsEnabled(Control::BrowseButton));
    EXPECT_TRUE(model.IsEnabled(Control::PathEdit));
    EXPECT_FALSE(model.IsEnabled(Control::UpgradeButton));
    EXPECT_FALSE(model.IsEnabled(Control::CancelButton));
    EXPECT_TRUE(scanned.DeviceReady);
    EXPECT_TRUE(testHost.Beeps().empty());
  }
}

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
  for (Control control :
       {Control::BrowseButton, Control::UpgradeButton, Control::CancelButton, Control::PathEdit}) {
    EXPECT_FALSE(Enabled(control)) << ControlName(control);
  }
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
