#include <limits>

#include "res/names.h"
#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

using BrowseTest = Scenario;

TEST_F(BrowseTest, CancelledFileDialogBoxesAndBeepsKeepingAllButTheFileVersion) {
  StartWith();
  const std::string path = FirmwareImage(Payload(10));
  Browse(path);
  ASSERT_EQ(Message(), text::kOtherVersion);
  const std::string shownPath = Text(Control::PathEdit);

  Browse(std::nullopt);

  EXPECT_THAT(host.MessageBoxes(), ElementsAre(text::kFileOpenFail));
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  const RecordedOpenFileRequest request{std::string(text::kOpenDialogTitle),
                                        std::string(text::kOpenDialogFilter),
                                        std::string(name::kOpenDialogDefaultExtension)};
  EXPECT_THAT(host.OpenFileRequests(), ElementsAre(request, request));
  EXPECT_EQ(Text(Control::PathEdit), shownPath);
  EXPECT_EQ(dialog->ImagePath, path);
  EXPECT_EQ(Message(), text::kOtherVersion);
  EXPECT_TRUE(Enabled(Control::UpgradeButton));
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_FALSE(dialog->FileSelected);
  EXPECT_EQ(Text(Control::FileVersionField), "");
}

TEST_F(BrowseTest, DirectoryOrVanishedFileAsksForAValidFileAndNothingIsSent) {
  StartWith();
  for (const std::string& path : {::testing::TempDir(), UniqueTempPath("gone.bin").string()}) {
    const std::size_t before = hid.ReceivedReports(device).size();
    Browse(path);
    EXPECT_EQ(Message(), text::kSelectValidFile) << path;
    EXPECT_EQ(LastBeep(), Beep::Error);
    EXPECT_FALSE(dialog->FileSelected);
    AwaitWriter();  // anything raised has reached the device before it is counted
    EXPECT_EQ(hid.ReceivedReports(device).size(), before);
  }
}

TEST_F(BrowseTest, MalformedVersionIsAnInvalidFileAndNothingIsSent) {
  StartWithImage(10);
  ASSERT_TRUE(Enabled(Control::UpgradeButton));
  const std::size_t before = hid.ReceivedReports(device).size();

  Browse(File(MakeImage(kFirmwareKind, "1.0.0", Payload(10))));  // no '.' at its third character

  EXPECT_EQ(Message(), text::kInvalidFile);
  EXPECT_FALSE(Enabled(Control::UpgradeButton));
  EXPECT_EQ(Text(Control::FileVersionField), "");
  EXPECT_TRUE(dialog->FileSelected);
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_THAT(host.Beeps(), IsEmpty());
  AwaitWriter();
  EXPECT_EQ(hid.ReceivedReports(device).size(), before);
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
  std::optional<std::uint8_t> strayId{};      // a report of this ID comes before the reply
  std::optional<std::uint8_t> versionCode{};  // the reply's byte 3, put into it
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
    // Byte 1 "answered" and byte 2 zero, as a rejection, in another report: not the answer.
    {"StrayReportOfAnotherIdIsNotTheAnswer", UpgradeMode::Firmware, kFirmwareKind, kOtherVersion,
     text::kOtherVersion, true, kDeviceInfoReplyId},
    {"OtherVersionCode22OffersTheUpgrade", UpgradeMode::Firmware, kFirmwareKind, kOtherVersion,
     text::kOtherVersion, true, std::nullopt, kCheckOtherVersionAlt},
    {"ReadyWithAnUnknownVersionCodeChangesNothing", UpgradeMode::Firmware, kFirmwareKind,
     kOtherVersion, std::nullopt, true, std::nullopt, 0x00},
};

class BrowseVerdictTest : public Scenario, public ::testing::WithParamInterface<Verdict> {};

TEST_P(BrowseVerdictTest, DeviceVerdictSetsTheMessageAndTheUpgradeButton) {
  const Verdict& c = GetParam();
  // Each reply comes after the first polls of its wait, where an earlier reply left in the
  // buffer would be taken for it.
  StartWith({.mode = c.mode, .replyLatency = std::chrono::milliseconds(10)});
  if (!c.upgradeEnabled || !c.message) {
    // An accepted image first, so that the button has something to lose and the message to keep.
    const char* ownKind = c.mode == UpgradeMode::Audio ? kAudioKind : kFirmwareKind;
    Browse(File(MakeImage(ownKind, kDeviceVersion, Payload(10))));
    ASSERT_TRUE(Enabled(Control::UpgradeButton));
  }
  const std::string before = Message();
  services.quirks().strayId = c.strayId;
  services.quirks().checkVersionCode = c.versionCode;

  Browse(File(MakeImage(c.kind, c.version, Payload(10))));

  EXPECT_EQ(Message(), c.message.value_or(before));
  EXPECT_EQ(Enabled(Control::UpgradeButton), c.upgradeEnabled);
  EXPECT_EQ(dialog->FileSelected, c.upgradeEnabled);
  EXPECT_TRUE(dialog->DeviceReady);
  EXPECT_EQ(Text(Control::FileVersionField), c.version);
  EXPECT_THAT(host.Beeps(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Verdicts, BrowseVerdictTest, ::testing::ValuesIn(kVerdicts), CaseName);

// The device goes while the file dialog is open: a device that comes back checks the file; with
// none, nothing is sent and the scan's word stands.
class ReplugDuringFileDialogTest : public Scenario, public ::testing::WithParamInterface<bool> {};

TEST_P(ReplugDuringFileDialogTest, FileIsCheckedOnlyWithADeviceThatAnswered) {
  const bool returns = GetParam();
  StartWith();
  std::size_t returned = device;
  host.When([this] { return host.OpenFileRequests().size() == 1; },
            [this, returns, &returned] {
              hid.Unplug(device);
              if (returns) returned = hid.Plug({.serialNumber = "RETURNED01"});
            });

  Browse(FirmwareImage(Payload(10)));

  EXPECT_EQ(Message(),
            returns ? std::string(text::kOtherVersion) : std::string(text::kNoDeviceAttached));
  EXPECT_EQ(Enabled(Control::UpgradeButton), returns);
  EXPECT_EQ(dialog->FileSelected, returns);
  EXPECT_EQ(dialog->DeviceReady, returns);
  EXPECT_EQ(Text(Control::SerialNumberField), returns ? "RETURNED01" : "");
  EXPECT_EQ(Received(returned, kRequestReportId, kCommandImageCheck).size(), returns ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(DeviceReturns, ReplugDuringFileDialogTest, ::testing::Bool());

// The device in use goes while a check waits for it: the wait ends at once with its own
// no-reply outcome; a device found in its place is identified once the handler has returned.
struct GoneDuringCheck {
  const char* name;
  bool upgrade;   // the upgrade's repeated check (Enter), else Browse's
  bool replaced;  // another device comes in at the same node
  std::string_view outcome;
  friend void PrintTo(const GoneDuringCheck& row, std::ostream* out) { *out << row.name; }
};

const GoneDuringCheck kGoneDuringChecks[] = {
    {"BrowseDeviceRemoved", false, false, text::kCommunicationError},
    {"BrowseDeviceReplaced", false, true, text::kCommunicationError},
    {"UpgradeDeviceRemoved", true, false, text::kResetDeviceFirst},
    {"UpgradeDeviceReplaced", true, true, text::kResetDeviceFirst},
};

class GoneDuringCheckTest : public Scenario,
                            public ::testing::WithParamInterface<GoneDuringCheck> {};

TEST_P(GoneDuringCheckTest, WaitEndsAtOnceWithItsNoReplyOutcome) {
  const GoneDuringCheck& c = GetParam();
  StartWith({.silent = sim::SilentRequest::ImageCheck});
  // Waits that only the loss can end: one that ignored it would never return.
  dialog->bounds().browseCheck = {std::numeric_limits<std::uint64_t>::max(), 1};
  dialog->bounds().repeatedCheckInner = std::numeric_limits<std::uint64_t>::max();
  std::size_t other = 0;
  host.When([this] { return Requests(kCommandImageCheck) == 1; },
            [this, &c, &other] {
              if (c.replaced) {
                other = Replug({.serialNumber = "OTHER00002"});
              } else {
                hid.Unplug(device);
              }
            });
  const std::string path = FirmwareImage(Payload(10));

  if (c.upgrade) {
    EnterPath(path);
  } else {
    Browse(path);
  }

  const std::string outcome(c.outcome);
  EXPECT_EQ(LastMessages(2),
            (c.replaced ? std::vector{outcome, kIdentifiedMessage}
                        : std::vector{std::string(text::kNoDeviceAttached), outcome}));
  EXPECT_EQ(LastBeep(), Beep::Error);
  EXPECT_FALSE(dialog->FileSelected);
  EXPECT_EQ(dialog->DeviceReady, c.replaced);
  if (c.replaced) {
    Browse(path);  // the deferred scan has run: a later exchange scans no more
    EXPECT_EQ(InfoRequests(other), 1u);
  }
  EXPECT_EQ(Requests(kCommandUpgradeStart), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, GoneDuringCheckTest, ::testing::ValuesIn(kGoneDuringChecks),
                         CaseName);

}  // namespace
}  // namespace kr55le::testing
