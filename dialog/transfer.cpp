// The upgrade: preconditions, the repeated check, the start request and the block transfer.
#include <cstdio>
#include <optional>

#include "dialog/flashwell_dlg.h"
#include "dialog/path_display.h"
#include "image/image_file.h"
#include "res/strings.h"

namespace kr55le {
namespace {

// Sets a flag for a scope's life.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

// The kind-specific texts of a transfer; an image of unknown kind has none.
struct KindTexts {
  std::string_view upgrading;
  std::string_view completed;
};

std::optional<KindTexts> TextsFor(ImageKindClass kind) {
  switch (kind) {
    case ImageKindClass::Firmware:
      return KindTexts{text::kFirmwareUpgrading, text::kFirmwareCompleted};
    case ImageKindClass::Audio:
      return KindTexts{text::kAudioUpgrading, text::kAudioCompleted};
    case ImageKindClass::Unknown:
      break;
  }
  return std::nullopt;
}

}  // namespace

void CFlashwellDlg::OnOK() {
  // The display's line breaks are not part of the name (nor is any other line break).
  ImagePath = PathFromDisplay(controls_.Text(Control::PathEdit));
  OnUpgrade();
}

void CFlashwellDlg::Fail(std::string_view message) {
  controls_.SetText(Control::MessageEdit, message);
  host_.MessageBeep(Beep::Error);
}

void CFlashwellDlg::OnUpgrade() {
  // Enter reaches OnOK inside this handler's own waits; a second transfer must not start there.
  if (upgradeRunning_) return;
  const FlagScope running(upgradeRunning_);
  ExchangeScope exchange(*this);

  UpdateData(true);
  if (!link_.HasDevice()) return Fail(text::kNoDeviceAttached);
  if (DeviceCount >= 2) return Fail(text::kMultipleDeviceAttached);
  ImageFile file(ImagePath);
  if (!file.IsOpen()) return Fail(text::kSelectValidFile);
  if (!DeviceReady) return Fail(text::kResetDeviceFirst);

  ReadImageHeader(file, Header);
  // A malformed header is not sent, and nothing the device has not accepted is transferred.
  if (!Header.IsVersionWellFormed()) return Fail(text::kInvalidFile);
  controls_.SetText(Control::FileVersionField, Header.VersionText());

  std::uint64_t inner = 0;
  std::uint64_t outer = 0;
  ReportCopy reply{};
  link_.InputReport.Mark(kImageCheckMarker);
  BuildImageCheckRequest(link_.Output(), Header.CheckFields());
  link_.RaiseWritePending();
  while (!link_.InputReport.TakeIf(kAnsweredByte, kAnswered, reply)) {
    if (DeviceLost()) return RepeatedCheckUnanswered();
    ++inner;
    PumpMessages();
    if (CloseRequested) return;
    if (inner >= bounds_.repeatedCheckInner) {
      inner = 0;
      if (++outer >= bounds_.upgradeOuter) return RepeatedCheckUnanswered();
    }
  }
  if (DeviceReady) {
    if (ReportView(std::span(reply)).Get(kCheckAcceptByte) == kCheckRejected) {
      return Fail(text::kInvalidFile);
    }
    if (IsReadyToInstall(ReportView(std::span(reply)))) {
      controls_.SetText(Control::MessageEdit, text::kPressUpgrade);
    }
  }

  const PayloadPlan plan = PlanPayload(file.Length());
  FullBlockCount = plan.FullBlockCount;
  controls_.SetPos(0);
  controls_.SetRange(0, static_cast<int>(plan.BlockCount()));
  controls_.SetStep(1);
  if (plan.Verdict == SizeVerdict::Empty) return Fail(text::kEmptyFile);
  if (plan.Verdict == SizeVerdict::TooLarge) return Fail(text::kFileTooLarge);
  const std::uint32_t loaded = ImagePayload_.Load(file, plan);
  file.Close();
  // A file that shrank or failed meanwhile: the staging area's old bytes must not go out.
  if (loaded != plan.PayloadSize) return Fail(text::kSelectValidFile);

  controls_.Enable(Control::BrowseButton, false);
  controls_.Enable(Control::UpgradeButton, false);
  controls_.Enable(Control::PathEdit, false);
  CancelRequested = false;

  link_.InputReport.Mark(kUpgradeStartMarker);
  BuildUpgradeStartRequest(link_.Output());
  UpdateData(false);
  link_.RaiseWritePending();
  controls_.SetText(Control::MessageEdit, text::kUpgrading);

  bool started = true;
  while (link_.InputReport[kAnsweredByte] != kAnswered) {
    ++inner;
    PumpMessages();
    if (StopRequested()) {
      started = false;
      break;
    }
    if (inner >= bounds_.startInner) {
      inner = 0;
      if (++outer >= bounds_.upgradeOuter) {
        Fail(text::kCommunicationError);
        started = false;
        break;
      }
    }
  }
  controls_.Enable(Control::CancelButton, true);
  if (!started) return;

  const std::optional<KindTexts> kindTexts = TextsFor(Header.Kind());
  if (kindTexts) controls_.SetText(Control::MessageEdit, kindTexts->upgrading);
  if (SendBlocks(plan) && !CancelRequested) {
    controls_.SetText(Control::PercentEdit, text::kPercentComplete);
    if (kindTexts) controls_.SetText(Control::MessageEdit, kindTexts->completed);
    host_.MessageBeep(Beep::Plain);
    controls_.Enable(Control::CancelButton, false);
    controls_.Enable(Control::PathEdit, true);
  }
}

void CFlashwellDlg::RepeatedCheckUnanswered() {
  DeviceReady = false;
  Fail(text::kResetDeviceFirst);
}

bool CFlashwellDlg::SendBlocks(const PayloadPlan& plan) {
  ReportView block{std::span(DataBlock)};
  link_.InputReport.Mark(kFirstBlockMarker);
  std::uint32_t nextBlock = 0;
  std::uint8_t sequence = 0;
  // The code of the acknowledgement that ended the last wait. Next-or-same is decided from it,
  // never from the live buffer: a report that lands after the wait (a device repeating an
  // earlier acknowledgement) must not turn "send it again" into "next block", since a block
  // carries no number and the device would store the next block in this one's place.
  std::optional<std::uint8_t> lastCode;
  bool progressPending = false;

  for (;;) {
    PumpMessages();
    if (!lastCode || *lastCode == kAckAccepted) {
      BuildDataBlockReport(block, plan.PayloadSize, ImagePayload_.Block(nextBlock));
      ++nextBlock;
      progressPending = true;
    }
    link_.InputReport.Mark(kEveryBlockMarker);
    link_.Output().CopyFrom(block);
    UpdateData(false);
    link_.RaiseWritePending();

    ReportCopy ack{};
    const bool acknowledged = AwaitAcknowledgement(sequence, progressPending, ack);
    const std::uint8_t code =
        acknowledged ? ReportView(std::span(ack)).Get(kAckCodeByte) : Input(kAckCodeByte);
    if (code == kAckFailed) {
      Fail(text::kUploadFailed);
      return false;
    }
    sequence = NextSequence(sequence);
    if (!acknowledged) return false;
    // The last block accepted ends the transfer, so the block index never passes it.
    if (nextBlock == plan.BlockCount() && code == kAckAccepted) return true;
    lastCode = code;
  }
}

bool CFlashwellDlg::AwaitAcknowledgement(std::uint8_t sequence, bool& progressPending,
                                         ReportCopy& ack) {
  std::uint64_t inner = 0;
  std::uint64_t outer = 0;
  bool acknowledged = false;
  while (!(acknowledged = link_.InputReport.TakeIf(kAckSequenceByte, sequence, ack))) {
    if (++inner >= bounds_.acknowledgement.inner) {
      inner = 0;
      if (++outer >= bounds_.acknowledgement.outer) {
        Fail(text::kCommunicationError);
        break;
      }
    }
    if (StopRequested()) break;
    if (progressPending) StepProgress(progressPending);
  }
  // A device that answers before the first poll still gets its block counted.
  if (acknowledged && progressPending) StepProgress(progressPending);
  return acknowledged;
}

bool CFlashwellDlg::StopRequested() const {
  // A removal ends the transfer's waits as DeviceReady would: the acknowledgement wait does not
  // pump, so the removal's own notice is handled only once the handler has returned.
  return CancelRequested || !DeviceReady || CloseRequested || DeviceLost();
}

void CFlashwellDlg::StepProgress(bool& progressPending) {
  progressPending = false;
  controls_.StepIt();
  const int position = controls_.GetPos();
  LastPercentage = static_cast<std::uint32_t>(position) * 100 / (FullBlockCount + 1);
  char percent[32];
  std::snprintf(percent, sizeof percent, std::string(text::kPercentFormat).c_str(),
                static_cast<int>(LastPercentage), '%');
  controls_.SetText(Control::PercentEdit, percent);
}

}  // namespace kr55le
