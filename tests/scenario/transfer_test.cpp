#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>
#include <tuple>

#include "dialog/path_display.h"
#include "tests/scenario/scenario.h"

namespace kr55le::testing {
namespace {

using TransferTest = Scenario;

// An image whose path is over 294 characters long, so that it is shown on five lines.
struct LongPathImage {
  explicit LongPathImage(const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~LongPathImage() { std::filesystem::remove_all(folder); }
  const std::filesystem::path folder = UniqueTempPath(std::string(150, 'd'));
  const std::string path = (folder / (std::string(100, 'f') + ".bin")).string();
};

// Devices that differ where the host leaves them free: the status replies' report ID, the code
// that asks for a block again, and what a reply's bytes past its answer hold.
struct Variant {
  const char* name;
  std::uint8_t statusId = sim::kDefaultStatusReplyId;
  std::uint8_t againCode = sim::kDefaultSendAgainCode;
  std::uint8_t fill = sim::kDefaultReplyFill;
  sim::SimDeviceConfig Of(sim::SimDeviceConfig config) const {
    config.statusReplyId = statusId;
    config.sendAgainCode = againCode;
    config.replyFill = fill;
    return config;
  }
  friend void PrintTo(const Variant& row, std::ostream* out) { *out << row.name; }
};

const Variant kVariants[] = {
    {"Default"},
    {"Status3Again0", 0x03, 0x00},
    {"StatusFFAgainFFFill01", 0xFF, 0xFF, 0x01},
    {"Status2Again4BFill03", 0x02, 0x4B, 0x03},
};

// Payload sizes around the block boundaries, and the largest accepted, whose sequence numbers
// wrap past 255 several times.
class CompleteTransferTest
    : public Scenario,
      public ::testing::WithParamInterface<std::tuple<UpgradeMode, std::uint32_t, Variant>> {};

TEST_P(CompleteTransferTest, DeviceAssemblesThePayloadWithFillerAndTheWindowShowsCompletion) {
  const auto [mode, size, variant] = GetParam();
  const bool audio = mode == UpgradeMode::Audio;
  StartWith(variant.Of({.mode = mode}));
  const auto payload = Payload(size);
  Browse(File(MakeImage(audio ? kAudioKind : kFirmwareKind, kOtherVersion, payload)));
  int heldAtStart = 0;
  host.When([this] { return Requests(kCommandUpgradeStart) == 1; },
            [this, &heldAtStart] { heldAtStart = host.SystemHoldsHeld(); });

  ClickUpgrade();

  EXPECT_TRUE(hid.AssembledImage(device) == WithFiller(payload));  // too big to print
  const std::size_t blocks = BlocksFor(size);
  EXPECT_EQ(Counters().dataReportsReceived, blocks);
  EXPECT_THAT(LastMessages(4),
              ElementsAre(text::kPressUpgrade, text::kUpgrading,
                          audio ? text::kAudioUpgrading : text::kFirmwareUpgrading,
                          audio ? text::kAudioCompleted : text::kFirmwareCompleted));
  EXPECT_EQ(Text(Control::PercentEdit), "100 %");
  EXPECT_EQ(controls.RangeMaximum(), static_cast<int>(blocks));
  EXPECT_EQ(controls.GetPos(), static_cast<int>(blocks));
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Plain));
  EXPECT_EQ(States(), kAfterCompletion);
  EXPECT_EQ(heldAtStart, 1);  // the system stays up from the start request on
  EXPECT_EQ(host.SystemHoldsTaken(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    KindsSizesAndVariants, CompleteTransferTest,
    ::testing::Combine(::testing::Values(UpgradeMode::Firmware, UpgradeMode::Audio),
                       ::testing::Values(1u, 1007u, 1008u, 2016u, 1010u, 2097152u),
                       ::testing::ValuesIn(kVariants)),
    [](const auto& test) {
      return (std::get<0>(test.param) == UpgradeMode::Audio ? "Audio" : "Firmware") +
             std::to_string(std::get<1>(test.param)) + std::get<2>(test.param).name;
    });

class SendAgainTest : public Scenario, public ::testing::WithParamInterface<Variant> {};

TEST_P(SendAgainTest, SendAgainCodeRepeatsTheSameBlockWithoutAProgressStep) {
  // Data reports 4, 8 and 12 are answered with the variant's code.
  const auto payload = StartWithImage(9 * kBlock + 500, GetParam().Of({.resendEvery = 4}));

  ClickUpgrade();

  const auto reports = DataReports();
  ASSERT_EQ(reports.size(), 13u);  // ten blocks and three of them again
  for (std::size_t again : {4u, 8u, 12u}) EXPECT_EQ(reports[again], reports[again - 1]);
  ExpectFirmwareCompleted(payload);
  EXPECT_THAT(
      host.Texts(Control::PercentEdit),
      ElementsAre("10 %", "20 %", "30 %", "40 %", "50 %", "60 %", "70 %", "80 %", "90 %", "100 %"));
}

INSTANTIATE_TEST_SUITE_P(Variants, SendAgainTest, ::testing::ValuesIn(kVariants), CaseName);

// A device that, after asking for a block again, repeats its previous acknowledgement: the
// repeat lands between the wait that read "send it again" and the next cycle.
struct RepeatedAck {
  const char* name;
  std::uint32_t blocks;       // in the image, filler block included
  std::uint32_t resendEvery;  // the first data report that gets "send it again"
  friend void PrintTo(const RepeatedAck& row, std::ostream* out) { *out << row.name; }
};

const RepeatedAck kRepeatedAcks[] = {
    {"InTheMiddle", 6, 3},
    {"AtTheFinalBlock", 2, 2},
};

class RepeatedAckTest : public Scenario, public ::testing::WithParamInterface<RepeatedAck> {};

TEST_P(RepeatedAckTest, SameBlockGoesAgainAndThePayloadArrivesWhole) {
  const RepeatedAck& c = GetParam();
  const auto payload = StartWithImage((c.blocks - 1) * kBlock + 10,
                                      {.resendEvery = c.resendEvery, .repeatAckAfterResend = true});
  const auto previousAck = static_cast<std::uint8_t>(c.resendEvery - 2);
  bool landed = false;
  host.When([this, &c] { return Counters().dataReportsReceived == c.resendEvery; },
            [this, previousAck, &landed] {
              landed = Eventually([this, previousAck] {
                return link.InputReport[kAckSequenceByte] == previousAck &&
                       link.InputReport[kAckCodeByte] == kAckAccepted;
              });
            });

  ClickUpgrade();

  EXPECT_TRUE(landed);
  ExpectFirmwareCompleted(payload);
  EXPECT_EQ(Counters().blocksAccepted, c.blocks);
}

INSTANTIATE_TEST_SUITE_P(Rows, RepeatedAckTest, ::testing::ValuesIn(kRepeatedAcks), CaseName);

// An upgrade that ends unfinished: at the device's failure code, or at the one wait whose reply
// never comes, only that wait's bound shrunk (at `stage`) so that it ends soon.
enum class Stage { Browse, Enter, Start, Block2 };

struct Unfinished {
  const char* name;
  sim::SimDeviceConfig config;
  Stage stage;
  WaitBounds bounds = {};  // the real ones but for the shrunk bound
  std::string_view message;
  std::size_t starts = 0;       // upgrade start requests sent
  std::size_t dataReports = 0;  // nothing after the block that failed
  std::uint32_t accepted = 0;
  ControlStates states = kAfterFailedTransfer;
  // The shrunk bound of a wait that pumps at each poll, counted in pumps from the shrink: at
  // most this, and all of it for a check wait, whose count starts there.
  int polls = 0;
  friend void PrintTo(const Unfinished& row, std::ostream* out) { *out << row.name; }
};

constexpr int kPumpsAroundAWait = 10;  // the click's own, the file dialog's, ...

// The start wait counts on from where the check's stopped, under its own inner bound.
constexpr int kShrunkStartInner = 1000;

const Unfinished kUnfinished[] = {
    {.name = "SilentBrowseCheck",
     .config = {.silent = sim::SilentRequest::ImageCheck},
     .stage = Stage::Browse,
     .bounds = {.browseCheck = {1000, 2}},
     .message = text::kCommunicationError,
     .states = kIdentified,  // as before the check
     .polls = 2000},
    {.name = "SilentRepeatedCheckAsksForAReset",
     .config = {.silent = sim::SilentRequest::ImageCheck},
     .stage = Stage::Enter,
     .bounds = {.repeatedCheckInner = 1000, .upgradeOuter = 2},  // outer shared with the start's
     .message = text::kResetDeviceFirst,
     .states = kIdentified,  // as before the check
     .polls = 2000},
    {.name = "SilentStart",
     .config = {.silent = sim::SilentRequest::UpgradeStart},
     .stage = Stage::Start,
     .bounds = {.startInner = kShrunkStartInner, .upgradeOuter = 1},
     .message = text::kCommunicationError,
     .starts = 1,
     .polls = kShrunkStartInner},
    {.name = "SilenceAtBlock2",
     .config = {.silent = sim::SilentRequest::Block, .silentBlock = 2},
     .stage = Stage::Block2,
     .bounds = {.acknowledgement = {1000, 1}},
     .message = text::kCommunicationError,
     .starts = 1,
     .dataReports = 3,
     .accepted = 2},
    {.name = "LostAcknowledgementOfBlock2",
     .config = {.lostAckAtBlock = 2},
     .stage = Stage::Block2,
     .bounds = {.acknowledgement = {1000, 1}},
     .message = text::kCommunicationError,
     .starts = 1,
     .dataReports = 3,
     .accepted = 3},
    {.name = "FailureCodeAtBlock2",
     .config = {.failAtBlock = 2},
     .stage = Stage::Block2,
     .message = text::kUploadFailed,
     .starts = 1,
     .dataReports = 3,
     .accepted = 2},
};

class UnfinishedTest : public Scenario,
                       public ::testing::WithParamInterface<std::tuple<Unfinished, Variant>> {};

TEST_P(UnfinishedTest, EndsWithItsMessageAndTheErrorBeepSendingNothingMore) {
  const Unfinished& c = std::get<0>(GetParam());
  StartWith(std::get<1>(GetParam()).Of(c.config));
  const std::string path = FirmwareImage(Payload(5 * kBlock));
  int pumpsAtShrink = 0;
  const auto shrink = [this, &c, &pumpsAtShrink] {
    dialog->bounds() = c.bounds;
    pumpsAtShrink = host.PumpCount();
  };
  if (c.stage <= Stage::Enter) shrink();
  if (c.stage == Stage::Enter) EnterPath(path);
  if (c.stage != Stage::Enter) Browse(path);
  if (c.stage == Stage::Start) host.When([this] { return Message() == text::kUpgrading; }, shrink);
  if (c.stage == Stage::Block2) AtBlock(2, shrink);
  if (c.stage >= Stage::Start) ClickUpgrade();
  AwaitWriter();

  EXPECT_EQ(Message(), c.message);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  if (c.polls > 0) {
    if (c.stage <= Stage::Enter) {
      EXPECT_GE(host.PumpCount() - pumpsAtShrink, c.polls);
    }
    EXPECT_LT(host.PumpCount() - pumpsAtShrink, c.polls + kPumpsAroundAWait);
  }
  EXPECT_EQ(dialog->DeviceReady, c.stage >= Stage::Start);
  EXPECT_EQ(Requests(kCommandUpgradeStart), c.starts);
  EXPECT_EQ(host.SystemHoldsTaken(), static_cast<int>(c.starts));
  EXPECT_EQ(DataReports().size(), c.dataReports);
  EXPECT_EQ(controls.GetPos(), static_cast<int>(c.dataReports));  // counted as sent, not as taken
  EXPECT_EQ(Counters().blocksAccepted, c.accepted);
  ExpectNoCompletion();
  EXPECT_EQ(States(), c.states);

  hid.PlugUnrelated();  // a rescan identifies the device again and takes Cancel back
  HandleNotices();
  EXPECT_EQ(States(), kIdentified);
}

INSTANTIATE_TEST_SUITE_P(RowsAndVariants, UnfinishedTest,
                         ::testing::Combine(::testing::ValuesIn(kUnfinished),
                                            ::testing::ValuesIn(kVariants)),
                         [](const auto& test) {
                           return std::string(std::get<0>(test.param).name) +
                                  std::get<1>(test.param).name;
                         });

// A failure code ends the transfer however its wait ended: here one with the wrong sequence
// number, whose wait the device's removal then ends.
TEST_F(TransferTest, FailureCodeOutOfSequenceStillFailsTheUploadWhenTheWaitEndsOtherwise) {
  services.quirks().failureOutOfSequence = true;
  StartWithImage(5 * kBlock, {.failAtBlock = 2});
  std::thread unplug([this] {
    Eventually([this] { return link.InputReport[kAckCodeByte] == kAckFailed; });
    hid.Unplug(device);
  });
  ClickUpgrade();
  unplug.join();
  HandleNotices();  // the removal's, which may come after the transfer has ended

  EXPECT_THAT(LastMessages(2), ElementsAre(text::kUploadFailed, text::kNoDeviceAttached));
  EXPECT_EQ(DataReports().size(), 3u);
  ExpectNoCompletion();
}

TEST_F(TransferTest, AnotherDevicePluggedInAndOutDuringTheTransferLeavesItRunning) {
  const auto payload = StartWithImage(5 * kBlock);
  std::size_t other = 0;
  AtBlock(2, [this, &other] { other = hid.Plug(); });
  AtBlock(4, [this, &other] { hid.Unplug(other); });

  ClickUpgrade();

  ExpectFirmwareCompleted(payload);
  EXPECT_THAT(host.MessageBoxes(), ElementsAre(text::kMultipleDevicesBox));
  EXPECT_TRUE(hid.ReceivedReports(other).empty());
}

// Another program identifies the device during a transfer. One that takes devices as this one
// does finds it in use and sends nothing; one that opens it shared gets its identity, whose reply
// (byte 2 the serial number's second character) reaches this transfer's wait for the
// acknowledgement of that number, and must not pass for it: "send it again" would make the device
// store one block twice.
class SecondProgramTest : public Scenario, public ::testing::WithParamInterface<sim::Holds> {};

TEST_P(SecondProgramTest, TransferStaysWholeWhileAnotherProgramAsksTheDeviceForItsIdentity) {
  const bool takesHolds = GetParam() == sim::Holds::Taken;
  const auto payload = StartWithImage(90 * kBlock);
  const auto otherProgram = hid.OtherProgram(GetParam());
  ControlModel otherControls;
  TestHost otherHost{otherControls};
  ReportLink otherLink{kScenarioTiming};
  CFlashwellDlg other(otherHost, otherControls, *otherProgram, otherLink);
  otherHost.Attach(other);
  const auto matched = static_cast<std::uint8_t>(sim::kDefaultSerialNumber[1]);
  AtBlock(matched, [&other] { other.OnInitDialog(); });

  ClickUpgrade();

  ExpectFirmwareCompleted(payload);
  EXPECT_EQ(InfoRequests(device), takesHolds ? 1u : 2u);
  EXPECT_EQ(otherControls.Text(Control::MessageEdit),
            takesHolds ? std::string(text::kDeviceInUse) : kIdentifiedMessage);
  EXPECT_EQ(other.LastOutcome(Handler::Scan), takesHolds ? Outcome::InUse : Outcome::Identified);
}

INSTANTIATE_TEST_SUITE_P(Holds, SecondProgramTest,
                         ::testing::Values(sim::Holds::Taken, sim::Holds::Ignored),
                         [](const auto& row) {
                           return row.param == sim::Holds::Taken ? "TakesDevices"
                                                                 : "OpensThemShared";
                         });

TEST_F(TransferTest, CancelAfterAFailedTransferThenASecondTransferCompletes) {
  StartWithImage(3 * kBlock, {.failAtBlock = 1});
  ClickUpgrade();
  ASSERT_EQ(Message(), text::kUploadFailed);

  Do([this] { host.Click(Control::CancelButton); });  // left enabled; no transfer runs
  EXPECT_EQ(Message(), text::kUpgradeDiscontinued);
  EXPECT_EQ(States(), kAfterCompletion);  // as a completed transfer leaves them
  EXPECT_TRUE(dialog->CancelRequested);

  hid.Unplug(device);
  device = hid.Plug({.mode = UpgradeMode::Audio});
  HandleNotices();
  const auto payload = Payload(2 * kBlock + 3);
  Browse(File(MakeImage(kAudioKind, kOtherVersion, payload)));
  ClickUpgrade();

  EXPECT_FALSE(dialog->CancelRequested);
  EXPECT_EQ(hid.AssembledImage(device), WithFiller(payload));
  EXPECT_EQ(Message(), text::kAudioCompleted);
  const auto& percents = host.Texts(Control::PercentEdit);  // the bar started again from 0
  EXPECT_THAT(std::vector(percents.end() - 3, percents.end()),
              ElementsAre("33 %", "66 %", "100 %"));
}

TEST_F(TransferTest, DeviceLeavingAsABlockArrivesEndsThatBlocksWaitThenShowsNoDevice) {
  StartWithImage(5 * kBlock, {.unplugAtBlock = 2});
  // The acknowledgement wait does not pump: it learns of the removal from the link, and the
  // removal's notice is handled once the handler has returned.
  // A bound the writer's news of the removal beats by far; reached only if it went unnoticed.
  AtBlock(2, [this] { dialog->bounds().acknowledgement = {65535, 1000}; });

  ClickUpgrade();
  EXPECT_NE(Message(), text::kCommunicationError);
  AwaitWriter();
  HandleNotices();

  EXPECT_EQ(Message(), text::kNoDeviceAttached);
  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_FALSE(link.HasDevice());
  EXPECT_EQ(Counters().blocksAccepted, 2u);
  ExpectNoCompletion();
}

// The device takes block 2, but its write times out, and the device is slow to acknowledge. Sent
// again, the block would be stored in block 3's place and every later acknowledgement taken for
// the next block's, up to a false completion: the transfer ends on the communication error.
TEST_F(TransferTest, BlockWhoseFailedWriteMayHaveReachedTheDeviceIsNotSentAgain) {
  StartWithImage(5 * kBlock);
  AtBlock(2, [this] {
    services.quirks().takeThenFailNextBlock = true;
    // Never spent: a wait that did not end on the dropped block would run into the test's limit.
    dialog->bounds().acknowledgement = {std::numeric_limits<std::uint64_t>::max(), 1};
  });

  ClickUpgrade();

  EXPECT_EQ(Message(), text::kCommunicationError);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(Counters().dataReportsReceived, 3u);
  ExpectNoCompletion();
}

// The same as the device is pulled, unnoticed: the removal's outcome, not the reset's.
TEST_F(TransferTest, BlockDroppedAsTheDeviceLeavesEndsOnTheScanThatFindsNone) {
  services.quirks().noNotices = true;
  StartWithImage(5 * kBlock);
  AtBlock(2, [this] { services.quirks().takeThenFailNextBlock = true; });
  host.When([this] { return link.LastRequestDropped(); }, [this] { hid.Unplug(device); });

  ClickUpgrade();

  EXPECT_EQ(Message(), text::kNoDeviceAttached);
  ExpectNoCompletion();
}

// The device is lost at block 2. With its removal noticed, the nested scan ends the transfer:
// no device, or the one back at its node identified again (no beep). With no notice, the transfer
// still ends with a visible result and the warning beep, and leaves no lost device for a console
// host to wait on. The device still listed (a backend that takes a stall for a removal, or the
// device back at its node after a quick re-plug) failed: the communication error; no longer
// listed, also a moment after the failure, it went: the scan that finds none.
enum class Loss { WritesTakenForARemoval, Replugged, Unplugged, UnlistedLate };

struct LostDevice {
  const char* name;
  bool noticed;
  Loss loss;
  std::string_view message;
  ControlStates states;
  friend void PrintTo(const LostDevice& row, std::ostream* out) { *out << row.name; }
};

const LostDevice kLostDevices[] = {
    {"PulledBetweenBlocks", true, Loss::Unplugged, text::kNoDeviceAttached, kNoDevice},
    {"QuickReplugAtTheSameNode", true, Loss::Replugged, kIdentifiedMessage, kIdentified},
    {"StillListedWithoutNotice", false, Loss::WritesTakenForARemoval, text::kCommunicationError,
     kAfterFailedTransfer},
    {"BackAtItsNodeWithoutNotice", false, Loss::Replugged, text::kCommunicationError,
     kAfterFailedTransfer},
    {"NoLongerListedWithoutNotice", false, Loss::Unplugged, text::kNoDeviceAttached, kNoDevice},
    {"UnlistedAMomentLaterWithoutNotice", false, Loss::UnlistedLate, text::kNoDeviceAttached,
     kNoDevice},
};

class LostDeviceTest : public Scenario, public ::testing::WithParamInterface<LostDevice> {};

TEST_P(LostDeviceTest, EndsTheTransferWithAVisibleResult) {
  const LostDevice& c = GetParam();
  services.quirks().noNotices = !c.noticed;
  StartWithImage(5 * kBlock);
  std::size_t returned = 0;
  AtBlock(2, [this, &c, &returned] {
    const bool writesGone = c.loss == Loss::WritesTakenForARemoval || c.loss == Loss::UnlistedLate;
    if (writesGone) services.quirks().writesGone = true;
    if (c.loss == Loss::Replugged) returned = Replug({.serialNumber = "RETURNED01"});
    if (c.loss == Loss::Unplugged) hid.Unplug(device);
    if (c.loss == Loss::UnlistedLate) {
      host.When([this] { return link.DeviceGone(); }, [this] { hid.Unplug(device); });
    }
    if (c.noticed) ShrinkAcknowledgementBound();  // reached only if the removal went unnoticed
  });

  ClickUpgrade();

  EXPECT_EQ(Message(), c.message);
  const bool identified = c.states == kIdentified;
  EXPECT_EQ(host.Beeps(), (identified ? std::vector<Beep>{} : std::vector{Beep::Error}));
  EXPECT_EQ(States(), c.states);
  EXPECT_EQ(dialog->DeviceReady, identified);
  EXPECT_FALSE(link.DeviceGone());
  EXPECT_EQ(controls.GetPos() == 0, c.states == kNoDevice);  // a scan that finds none clears it
  EXPECT_EQ(DataReports().size(), 2u);
  EXPECT_EQ(Counters().blocksAccepted, 2u);
  ExpectNoCompletion();
  EXPECT_EQ(Text(Control::SerialNumberField), identified              ? "RETURNED01"
                                              : c.states == kNoDevice ? ""
                                                                      : sim::kDefaultSerialNumber);
  if (identified) {
    EXPECT_EQ(InfoRequests(returned), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, LostDeviceTest, ::testing::ValuesIn(kLostDevices), CaseName);

TEST_F(TransferTest, UnknownKindIsTransferredKeepingTheGeneralTextAndWithoutCompletionText) {
  services.quirks().anyKind = true;
  StartWith();
  const auto payload = Payload(1010);
  Browse(File(MakeImage("Other", kOtherVersion, payload)));

  ClickUpgrade();

  EXPECT_EQ(hid.AssembledImage(device), WithFiller(payload));
  EXPECT_EQ(Message(), text::kUpgrading);
  EXPECT_EQ(Text(Control::PercentEdit), "100 %");
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Plain));
  EXPECT_EQ(States(), kAfterCompletion);
}

// The path typed as Browse shows a long one, on several lines.
TEST_F(TransferTest, EnterWithATypedPathUpgradesThatFile) {
  StartWith();
  const auto payload = Payload(2016);
  const LongPathImage image(MakeImage(kFirmwareKind, kOtherVersion, payload));

  EnterPath(BreakPathForDisplay(image.path));

  EXPECT_EQ(dialog->ImagePath, image.path);
  EXPECT_EQ(Text(Control::FileVersionField), kOtherVersion);  // shown by the upgrade's check
  ExpectFirmwareCompleted(payload);
}

// Nor does a Browse there choose another file: the device would get this file's payload after
// checking the other one's header.
TEST_F(TransferTest, EnterUpgradeOrBrowseDuringTheRepeatedCheckChangeNothingOfTheTransfer) {
  // The check's wait pumps first.
  const auto payload = StartWithImage(1010, {.replyLatency = std::chrono::milliseconds(20)});
  host.AnswerOpenFile(File(MakeImage(kAudioKind, kOtherVersion, Payload(3000))));
  // The click is handled in the next pump; the one after it is the repeated check's first.
  host.When([this, pump = host.PumpCount() + 2] { return host.PumpCount() >= pump; },
            [this] {
              host.Enter();
              host.Click(Control::UpgradeButton);
              host.Click(Control::BrowseButton);
            });

  ClickUpgrade();

  EXPECT_EQ(host.IgnoredSteps(), 0);
  EXPECT_THAT(host.DispatchedMessages(), Contains(HostMessage{HostMessageKind::OkCommand}));
  EXPECT_THAT(host.DispatchedMessages(), Contains(HostMessage{HostMessageKind::BrowseClicked}));
  EXPECT_EQ(host.OpenFileRequests().size(), 1u);  // the first Browse's only
  EXPECT_EQ(Requests(kCommandImageCheck), 2u);    // Browse's and the one transfer's
  EXPECT_EQ(Requests(kCommandUpgradeStart), 1u);
  EXPECT_EQ(DataReports().size(), 2u);
  ExpectFirmwareCompleted(payload);
}

// An upgrade started inside Browse's check would take the check's reply for its own, and leave
// the check to read one of the transfer's acknowledgements as its verdict.
TEST_F(TransferTest, UpgradeOrEnterDuringBrowsesCheckStartsNothing) {
  StartWithImage(1010,
                 {.replyLatency = std::chrono::milliseconds(20)});  // the check's wait pumps first
  ASSERT_TRUE(Enabled(Control::UpgradeButton));
  host.AnswerOpenFile(FirmwareImage(Payload(500)));
  host.When([this] { return Requests(kCommandImageCheck) == 2; },
            [this] {
              host.Click(Control::UpgradeButton);
              host.Enter();
            });

  Do([this] { host.Click(Control::BrowseButton); });

  EXPECT_THAT(host.DispatchedMessages(), Contains(HostMessage{HostMessageKind::OkCommand}));
  EXPECT_EQ(Requests(kCommandImageCheck), 2u);
  EXPECT_EQ(Requests(kCommandUpgradeStart), 0u);
  EXPECT_TRUE(DataReports().empty());
  EXPECT_EQ(Message(), text::kOtherVersion);
  EXPECT_TRUE(Enabled(Control::UpgradeButton));
}

// Each row breaks its own precondition and every later one, so only the order tells which shows.
enum class ImageAt { Missing, Directory, File };

struct Precondition {
  const char* name;
  int devices;
  ImageAt image;
  std::string_view message;
  friend void PrintTo(const Precondition& row, std::ostream* out) { *out << row.name; }
};

const Precondition kPreconditions[] = {
    {"NoDevice", 0, ImageAt::Missing, text::kNoDeviceAttached},
    {"TwoDevices", 2, ImageAt::Missing, text::kMultipleDeviceAttached},
    {"MissingFile", 1, ImageAt::Missing, text::kSelectValidFile},
    {"DirectoryIsNoFile", 1, ImageAt::Directory, text::kSelectValidFile},
    {"DeviceNotReady", 1, ImageAt::File, text::kResetDeviceFirst},
};

class PreconditionTest : public Scenario, public ::testing::WithParamInterface<Precondition> {};

TEST_P(PreconditionTest, FirstUnmetPreconditionIsShownWithTheErrorBeepAndNothingIsSent) {
  const Precondition& c = GetParam();
  for (int i = 0; i < c.devices; ++i) hid.Plug();
  OpenDialog();
  dialog->ImagePath = c.image == ImageAt::File        ? FirmwareImage(Payload(10))
                      : c.image == ImageAt::Directory ? ::testing::TempDir()
                                                      : UniqueTempPath("missing.bin").string();
  dialog->DeviceReady = false;  // as an unanswered check leaves it
  const std::size_t beeps = host.Beeps().size();

  dialog->OnUpgrade();

  EXPECT_EQ(Message(), c.message);
  EXPECT_EQ(host.Beeps().size(), beeps + 1);
  EXPECT_EQ(LastBeep(), Beep::Error);
  AwaitWriter();  // anything raised has reached the device before it is counted
  for (int i = 0; i < c.devices; ++i) {
    EXPECT_THAT(Received(i, kRequestReportId, kCommandImageCheck), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(InOrder, PreconditionTest, ::testing::ValuesIn(kPreconditions), CaseName);

struct FileSize {
  const char* name;
  std::size_t length;  // of the whole file, header included
  std::string_view message;
  std::size_t checks;  // image checks sent by the upgrade
  friend void PrintTo(const FileSize& row, std::ostream* out) { *out << row.name; }
};

const FileSize kFileSizes[] = {
    {"HeaderOnlyIsEmpty", 64, text::kEmptyFile, 1},
    {"OneByteOverTheLimitIsTooLarge", 64 + 0x200001, text::kFileTooLarge, 1},
    // Shorter than its header, it has no version either, and that is found first.
    {"TenBytesHaveNoValidVersion", 10, text::kInvalidFile, 0},
};

class FileSizeTest : public Scenario, public ::testing::WithParamInterface<FileSize> {};

TEST_P(FileSizeTest, RefusedSizeIsShownWithTheErrorBeepAndNoBlockIsSent) {
  const FileSize& c = GetParam();
  StartWith();
  auto bytes =
      MakeImage(kFirmwareKind, kOtherVersion, Payload(std::max<std::size_t>(c.length, 64) - 64));
  bytes.resize(c.length);

  EnterPath(File(bytes));

  EXPECT_EQ(Message(), c.message);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  AwaitWriter();  // anything raised has reached the device before it is counted
  EXPECT_EQ(Requests(kCommandImageCheck), c.checks);
  EXPECT_EQ(Requests(kCommandUpgradeStart), 0u);
  EXPECT_THAT(DataReports(), IsEmpty());
  EXPECT_EQ(controls.GetPos(), 0);
  EXPECT_TRUE(Enabled(Control::PathEdit));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileSizeTest, ::testing::ValuesIn(kFileSizes), CaseName);

}  // namespace
}  // namespace kr55le::testing
