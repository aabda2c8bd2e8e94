#include "tests/scenario/upgrade_scenario.h"

namespace kr55le::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using BrowseTest = UpgradeScenario;

TEST_F(BrowseTest, CancelledFileDialogBoxesAndBeepsKeepingAllButTheFileVersion) {
  StartWith();
  const std::string path = FirmwareImage(Payload(10));
  Browse(path);
  ASSERT_EQ(Message(), text::kOtherVersion);
  const std::string shownPath = Text(Control::PathEdit);

  Browse(std::nullopt);

  EXPECT_THAT(host.MessageBoxes(), ElementsAre(text::kFileOpenFail));
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(Text(Control::PathEdit), shownPath);
  EXPECT_EQ(dialog->ImagePath, path);
  EXPECT_EQ(Message(), text::kOtherVersion);
  EXPECT_TRUE(Enabled(Control::UpgradeButton));
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_FALSE(dialog->FileSelected);
  EXPECT_EQ(Text(Control::FileVersionField), "");
}

TEST_F(BrowseTest, MalformedVersionIsAnInvalidFileAndNothingIsSent) {
  StartWith();
  Browse(FirmwareImage(Payload(10)));
  ASSERT_TRUE(Enabled(Control::UpgradeButton));
  const std::size_t before = hid.ReceivedReports(device).size();

  Browse(File(MakeImage(kFirmwareKind, "1.0.0", Payload(10))));  // no '.' at its third character

  EXPECT_EQ(Message(), text::kInvalidFile);
  EXPECT_FALSE(Enabled(Control::UpgradeButton));
  EXPECT_EQ(Text(Control::FileVersionField), "");
  EXPECT_TRUE(dialog->FileSelected);
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_THAT(host.Beeps(), IsEmpty());
  ExpectNothingSentSince(before);
}

// The simulated device rejects an image whose kind is not that of its upgrade mode, and tells
// whether the image's version is the one it runs.
struct Verdict {
  const char* name;
  UpgradeMode mode;
  const char* kind;
  const char* version;
  std::optional<std::string_view> message;  // nothing: the earlier message stays
  bool upgradeEnabled;
  friend void PrintTo(const Verdict& row, std::ostream* out) { *out << row.name; }
};

const Verdict kVerdicts[] = {
    {"SameVersionOffersARepair", UpgradeMode::Firmware, kFirmwareKind, kDeviceVersion,
     text::kSameVersion, true},
    {"OtherVersionOffersTheUpgrade", UpgradeMode::Firmware, kFirmwareKind, kOtherVersion,
     text::kOtherVersion, true},
    {"AudioImageOnAnAudioDeviceOffersTheUpgrade", UpgradeMode::Audio, kAudioKind, kOtherVersion,
     text::kOtherVersion, true},
    {"AudioImageOnAFirmwareDeviceIsRejected", UpgradeMode::Firmware, kAudioKind, kOtherVersion,
     text::kRejectedFile, false},
    {"FirmwareImageOnAnAudioDeviceIsRejected", UpgradeMode::Audio, kFirmwareKind, kOtherVersion,
     text::kRejectedFile, false},
    {"UnknownKindIsRejectedKeepingTheMessage", UpgradeMode::Firmware, "Other", kOtherVersion,
     std::nullopt, false},
};

class BrowseVerdictTest : public UpgradeScenario, public ::testing::WithParamInterface<Verdict> {};

TEST_P(BrowseVerdictTest, DeviceVerdictSetsTheMessageAndTheUpgradeButton) {
  const Verdict& c = GetParam();
  StartWith({.mode = c.mode});
  if (!c.upgradeEnabled) {
    // An accepted image first, so that the button has something to lose and the message to keep.
    const char* ownKind = c.mode == UpgradeMode::Audio ? kAudioKind : kFirmwareKind;
    Browse(File(MakeImage(ownKind, kDeviceVersion, Payload(10))));
    ASSERT_TRUE(Enabled(Control::UpgradeButton));
  }
  const std::string before = Message();

  Browse(File(MakeImage(c.kind, c.version, Payload(10))));

  EXPECT_EQ(Message(), c.message.value_or(before));
  EXPECT_EQ(Enabled(Control::UpgradeButton), c.upgradeEnabled);
  EXPECT_EQ(dialog->FileSelected, c.upgradeEnabled);
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_EQ(Text(Control::FileVersionField), c.version);
  EXPECT_THAT(host.Beeps(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Verdicts, BrowseVerdictTest, ::testing::ValuesIn(kVerdicts), CaseName());

TEST_F(BrowseTest, CheckRequestCarriesTheHeaderFieldsReversedThenKindAndVersion) {
  StartWith();
  Browse(FirmwareImage(Payload(10)));  // header bytes 0..15 are 1..16

  const auto checks = Received(device, kRequestReportId, kCommandImageCheck);
  ASSERT_EQ(checks.size(), 1u);
  ASSERT_GE(checks[0].size(), 36u);
  const std::uint8_t expected[] = {
      0x01, 0x03, 0xFF, 0xFF,                       // report ID, command, two filler bytes
      8,    7,    6,    5,    4,   3,   2,   1,     // header bytes 0..7, last first
      16,   15,   14,   13,   12,  11,  10,  9,     // header bytes 8..15, last first
      'P',  'a',  'r',  'd',  'o', 0,   0,   0,     // the kind
      '0',  '1',  '.',  '0',  '0', '.', '0', '1'};  // the version
  EXPECT_THAT(std::vector(checks[0].begin(), checks[0].begin() + 36), ElementsAreArray(expected));
}

}  // namespace
}  // namespace kr55le::testing
