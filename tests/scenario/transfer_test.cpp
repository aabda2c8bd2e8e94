#include <tuple>

#include "tests/scenario/upgrade_scenario.h"

namespace kr55le::testing {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;

using TransferTest = UpgradeScenario;

// Payload sizes around the block boundaries, and the largest accepted.
class CompleteTransferTest
    : public UpgradeScenario,
      public ::testing::WithParamInterface<std::tuple<UpgradeMode, std::uint32_t>> {};

TEST_P(CompleteTransferTest, DeviceAssemblesThePayloadWithFillerAndTheWindowShowsCompletion) {
  const auto [mode, size] = GetParam();
  const bool audio = mode == UpgradeMode::Audio;
  StartWith({.mode = mode});
  const auto payload = Payload(size);
  Browse(File(MakeImage(audio ? kAudioKind : kFirmwareKind, kOtherVersion, payload)));

  ClickUpgrade();

  EXPECT_TRUE(hid.AssembledImage(device) == WithFiller(payload));  // too big to print
  const std::size_t blocks = BlocksFor(size);
  EXPECT_EQ(Counters().dataReportsReceived, blocks);
  EXPECT_EQ(Counters().transfer, sim::TransferState::Complete);
  EXPECT_THAT(
      LastMessages(3),
      ElementsAre(text::kUpgrading, audio ? text::kAudioUpgrading : text::kFirmwareUpgrading,
                  audio ? text::kAudioCompleted : text::kFirmwareCompleted));
  EXPECT_EQ(Text(Control::PercentEdit), "100 %");
  EXPECT_THAT(host.Texts(Control::PercentEdit), Each(MatchesRegex("[0-9]+ %")));
  EXPECT_EQ(controls.RangeMaximum(), static_cast<int>(blocks));
  EXPECT_EQ(controls.GetPos(), static_cast<int>(blocks));
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Plain));
  EXPECT_EQ(States(), kAfterCompletion);
}

INSTANTIATE_TEST_SUITE_P(
    KindsAndSizes, CompleteTransferTest,
    ::testing::Combine(::testing::Values(UpgradeMode::Firmware, UpgradeMode::Audio),
                       ::testing::Values(1u, 1007u, 1008u, 2016u, 1010u, 2097152u)),
    [](const auto& test) {
      const char* kind = std::get<0>(test.param) == UpgradeMode::Audio ? "Audio" : "Firmware";
      return kind + std::to_string(std::get<1>(test.param));
    });

TEST_F(TransferTest, SequenceWrapsSoThe257thBlockIsAcknowledgedWithZero) {
  StartWith();  // it numbers its acknowledgements 0..255 and again from 0
  const auto payload = Payload(299 * kBlock + 1);
  Browse(FirmwareImage(payload));

  ClickUpgrade();

  EXPECT_EQ(Counters().dataReportsReceived, 300u);  // none was sent again
  EXPECT_EQ(Counters().blocksAccepted, 300u);
  EXPECT_EQ(Message(), text::kFirmwareCompleted);
}

TEST_F(TransferTest, SendAgainCodeRepeatsTheSameBlockWithoutAProgressStep) {
  StartWith({.resendEvery = 4});  // data reports 4, 8 and 12 are answered with code 2
  const auto payload = Payload(9 * kBlock + 500);
  Browse(FirmwareImage(payload));

  ClickUpgrade();

  const auto reports = DataReports();
  ASSERT_EQ(reports.size(), 13u);  // ten blocks and three of them again
  for (std::size_t again : {4u, 8u, 12u}) EXPECT_EQ(reports[again], reports[again - 1]);
  EXPECT_EQ(hid.AssembledImage(device), WithFiller(payload));
  EXPECT_THAT(
      host.Texts(Control::PercentEdit),
      ElementsAre("10 %", "20 %", "30 %", "40 %", "50 %", "60 %", "70 %", "80 %", "90 %", "100 %"));
  EXPECT_EQ(Message(), text::kFirmwareCompleted);
}

struct BlockFault {
  const char* name;
  sim::SimDeviceConfig config;
  bool silent;  // no acknowledgement comes, so its wait ends by its bound
  std::string_view message;
  std::uint32_t accepted;
  friend void PrintTo(const BlockFault& row, std::ostream* out) { *out << row.name; }
};

const BlockFault kBlockFaults[] = {
    {"FailureCodeAtBlock2", {.failAtBlock = 2}, false, text::kUploadFailed, 2},
    {"SilenceAtBlock2",
     {.silent = sim::SilentRequest::Block, .silentBlock = 2},
     true,
     text::kCommunicationError,
     2},
    {"LostAcknowledgementOfBlock2", {.lostAckAtBlock = 2}, true, text::kCommunicationError, 3},
};

class BlockFaultTest : public UpgradeScenario, public ::testing::WithParamInterface<BlockFault> {};

TEST_P(BlockFaultTest, EndsTheTransferAtThatBlockWithItsMessageAndTheErrorBeep) {
  const BlockFault& c = GetParam();
  StartWith(c.config);
  Browse(FirmwareImage(Payload(5 * kBlock)));
  if (c.silent) AtBlock(2, TestAction::Run([this] { ShrinkAcknowledgementBound(); }));

  ClickUpgrade();
  AwaitWriter();

  EXPECT_EQ(Message(), c.message);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(DataReports().size(), 3u);  // nothing after block 2
  EXPECT_EQ(Counters().blocksAccepted, c.accepted);
  ExpectNoCompletion();
  EXPECT_EQ(States(), kAfterFailedTransfer);
}

INSTANTIATE_TEST_SUITE_P(Faults, BlockFaultTest, ::testing::ValuesIn(kBlockFaults), CaseName());

TEST_F(TransferTest, UnansweredRepeatedCheckAsksForAResetAndClearsReadiness) {
  StartWith({.silent = sim::SilentRequest::ImageCheck});
  const std::string path = FirmwareImage(Payload(10));
  // No reply comes, so this wait ends by its bound (its outer count is shared with the start's).
  dialog->bounds().repeatedCheckInner = 1000;
  dialog->bounds().upgradeOuter = 2;

  EnterPath(path);

  EXPECT_EQ(Message(), text::kResetDeviceFirst);
  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_EQ(Text(Control::FileVersionField), kOtherVersion);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(Requests(kCommandUpgradeStart), 0u);
  EXPECT_TRUE(Enabled(Control::BrowseButton));
  EXPECT_TRUE(Enabled(Control::PathEdit));
}

TEST_F(TransferTest, UnansweredStartIsACommunicationErrorAndNoBlockIsSent) {
  StartWith({.silent = sim::SilentRequest::UpgradeStart});
  Browse(FirmwareImage(Payload(10)));
  // Shrunk once the start request is out. The start wait counts on from where the check's wait
  // stopped, below that wait's inner bound, so the same inner bound is reached.
  host.When([this] { return Message() == text::kUpgrading; }, TestAction::Run([this] {
              dialog->bounds().startInner = dialog->bounds().repeatedCheckInner;
              dialog->bounds().upgradeOuter = 1;
            }));

  ClickUpgrade();

  EXPECT_EQ(Message(), text::kCommunicationError);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(Requests(kCommandUpgradeStart), 1u);
  EXPECT_THAT(DataReports(), IsEmpty());
  EXPECT_EQ(States(), kAfterFailedTransfer);
}

TEST_F(TransferTest, DevicePulledBetweenBlocksEndsTheTransferThroughTheNestedScan) {
  StartWith();
  Browse(FirmwareImage(Payload(5 * kBlock)));
  AtBlock(2, TestAction::Run([this] {
            hid.Unplug(device);
            ShrinkAcknowledgementBound();  // reached only if the removal went unnoticed
          }));

  ClickUpgrade();

  EXPECT_FALSE(dialog->DeviceReady);
  EXPECT_EQ(Message(), text::kNoDeviceAttached);
  EXPECT_THAT(host.Beeps(), ElementsAre(Beep::Error));
  EXPECT_EQ(DataReports().size(), 2u);
  ExpectNoCompletion();
  EXPECT_EQ(States(), kNoDevice);
}

TEST_F(TransferTest, DeviceLeavingAsABlockArrivesEndsThatBlocksWaitThenShowsNoDevice) {
  StartWith({.unplugAtBlock = 2});
  Browse(FirmwareImage(Payload(5 * kBlock)));
  // The acknowledgement wait does not pump: it learns of the removal from the link, and the
  // removal's notice is handled once the handler has returned.
  // A bound the writer's news of the removal beats by far; reached only if it went unnoticed.
  AtBlock(2, TestAction::Run([this] { dialog->bounds().acknowledgement = {65535, 1000}; }));

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

TEST_F(TransferTest, UnknownKindIsTransferredKeepingTheGeneralTextAndWithoutCompletionText) {
  services.AcceptAnyKind();
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

TEST_F(TransferTest, EnterWithATypedPathUpgradesThatFile) {
  StartWith();
  const auto payload = Payload(2016);
  const std::string path = FirmwareImage(payload);

  EnterPath(path);

  EXPECT_EQ(dialog->ImagePath, path);
  EXPECT_EQ(hid.AssembledImage(device), WithFiller(payload));
  EXPECT_EQ(Message(), text::kFirmwareCompleted);
}

TEST_F(TransferTest, EnterAfterChoosingALongPathUpgradesThatFile) {
  StartWith();
  const auto payload = Payload(1010);
  const LongPathImage image(MakeImage(kFirmwareKind, kOtherVersion, payload));
  Browse(image.path());
  ASSERT_THAT(Text(Control::PathEdit), ::testing::HasSubstr("\r\n"));

  Do(TestAction::Enter());

  EXPECT_EQ(dialog->ImagePath, image.path());
  EXPECT_EQ(hid.AssembledImage(device), WithFiller(payload));
  EXPECT_EQ(Message(), text::kFirmwareCompleted);
}

TEST_F(TransferTest, EnterOrUpgradeDuringTheRepeatedCheckDoesNotStartASecondTransfer) {
  StartWith({.replyLatency = std::chrono::milliseconds(20)});  // the check's wait pumps first
  const auto payload = Payload(1010);
  Browse(FirmwareImage(payload));
  // The click is handled in the next pump; the one after it is the repeated check's first.
  host.At(host.PumpCount() + 2, TestAction::Enter());
  host.At(host.PumpCount() + 2, TestAction::Click(Control::UpgradeButton));

  ClickUpgrade();

  EXPECT_THAT(host.IgnoredActions(), IsEmpty());
  EXPECT_THAT(host.DispatchedMessages(), Contains(HostMessage{HostMessageKind::OkCommand}));
  EXPECT_EQ(Requests(kCommandImageCheck), 2u);  // Browse's and the one transfer's
  EXPECT_EQ(Requests(kCommandUpgradeStart), 1u);
  EXPECT_EQ(DataReports().size(), 2u);
  EXPECT_EQ(hid.AssembledImage(device), WithFiller(payload));
  EXPECT_EQ(Message(), text::kFirmwareCompleted);
}

// Each row breaks its own precondition and every later one, so only the order tells which shows.
struct Precondition {
  const char* name;
  int devices;
  bool fileExists;
  bool deviceReady;
  std::string_view message;
  friend void PrintTo(const Precondition& row, std::ostream* out) { *out << row.name; }
};

const Precondition kPreconditions[] = {
    {"NoDevice", 0, false, false, text::kNoDeviceAttached},
    {"TwoDevices", 2, false, false, text::kMultipleDeviceAttached},
    {"MissingFile", 1, false, false, text::kSelectValidFile},
    {"DeviceNotReady", 1, true, false, text::kResetDeviceFirst},
};

class PreconditionTest : public UpgradeScenario,
                         public ::testing::WithParamInterface<Precondition> {};

TEST_P(PreconditionTest, FirstUnmetPreconditionIsShownWithTheErrorBeepAndNothingIsSent) {
  const Precondition& c = GetParam();
  for (int i = 0; i < c.devices; ++i) hid.Plug();
  OpenDialog();
  dialog->ImagePath = c.fileExists ? FirmwareImage(Payload(10))
                                   : ::testing::TempDir() + TestFileStem() + "-missing.bin";
  dialog->DeviceReady = c.deviceReady;  // as an unanswered check leaves it
  const std::size_t beeps = host.Beeps().size();

  dialog->OnUpgrade();

  EXPECT_EQ(Message(), c.message);
  EXPECT_EQ(host.Beeps().size(), beeps + 1);
  EXPECT_EQ(host.Beeps().back(), Beep::Error);
  AwaitWriter();  // anything raised has reached the device before it is counted
  for (int i = 0; i < c.devices; ++i) {
    EXPECT_THAT(Received(i, kRequestReportId, kCommandImageCheck), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(InOrder, PreconditionTest, ::testing::ValuesIn(kPreconditions),
                         CaseName());

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

class FileSizeTest : public UpgradeScenario, public ::testing::WithParamInterface<FileSize> {};

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

INSTANTIATE_TEST_SUITE_P(Sizes, FileSizeTest, ::testing::ValuesIn(kFileSizes), CaseName());

}  // namespace
}  // namespace kr55le::testing
