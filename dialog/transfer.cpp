// The upgrade: preconditions, the repeated check, the start request and the block transfer.
#include <cstdio>
#include <optional>

#include "dialog/flashwell_dlg.h"
#include "dialog/path_display.h"
#include "image/image_file.h"
#include "image/image_inspection.h"
#include "res/names.h"
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
  if (ExchangeRunning()) return;  // as OnUpgrade: and the path in use must stay as it is
  // The display's line breaks are not part of the name (nor is any other line break).
  ImagePath = PathFromDisplay(controls_.Text(Control::PathEdit));
  OnUpgrade();
}

Outcome CFlashwellDlg::Fail(std::string_view message, Outcome outcome) {
  controls_.SetText(Control::MessageEdit, message);
  host_.MessageBeep(Beep::Error);
  return outcome;
}

Outcome CFlashwellDlg::Refuse(ImageVerdict verdict) {
  return Fail(RefusalText(verdict),
              verdict == ImageVerdict::CannotOpen ? Outcome::NoFile : Outcome::InvalidFile);
}

void CFlashwellDlg::OnUpgrade() {
  // Clicks and Enter reach this handler inside its own waits and inside Browse's check: a
  // transfer started there would take the other exchange's replies for its own, and that
  // exchange the transfer's.
  if (ExchangeRunning()) return;
  const FlagScope running(upgradeRunning_);
  BeginExchange();
  outcomes_.Set(Handler::Upgrade, Upgrade());
  EndExchange();
}

Outcome CFlashwellDlg::Upgrade() {
  UpdateData(true);
  if (!link_.HasDevice()) return Fail(text::kNoDeviceAttached, Outcome::NoDevice);
  if (DeviceCount >= 2) return Fail(text::kMultipleDeviceAttached, Outcome::MultipleDevices);
  ImageFile file(ImagePath);
  if (!file.IsOpen()) return Refuse(ImageVerdict::CannotOpen);
  if (!DeviceReady) return Fail(text::kResetDeviceFirst, Outcome::NotReady);

  ReadImageHeader(file, Header);
  // A malformed header is not sent, and nothing the device has not accepted is transferred.
  if (const ImageVerdict refusal = HeaderRefusal(Header); refusal != ImageVerdict::Ok) {
    return Refuse(refusal);
  }
  controls_.SetText(Control::FileVersionField, Header.VersionText());

  PollCounter counter(bounds_.repeatedCheckInner, bounds_.upgradeOuter);
  if (const std::optional<Outcome> refused = RepeatImageCheck(counter)) return *refused;

  const PayloadPlan plan = PlanPayload(file.Length());
  FullBlockCount = plan.FullBlockCount;
  controls_.SetPos(0);
  controls_.SetRange(0, static_cast<int>(plan.BlockCount()));
  controls_.SetStep(1);
  if (const ImageVerdict refusal = SizeRefusal(plan.Verdict); refusal != ImageVerdict::Ok) {
    return Refuse(refusal);
  }
  const std::uint32_t loaded = ImagePayload_.Load(file, plan);
  file.Close();
  // A file that shrank or failed meanwhile: the staging area's old bytes must not go out.
  if (loaded != plan.PayloadSize) return Refuse(ImageVerdict::CannotOpen);

  controls_.Enable(Control::BrowseButton, false);
  controls_.Enable(Control::UpgradeButton, false);
  controls_.Enable(Control::PathEdit, false);
  CancelRequested = false;
  counter.ContinueWithInner(bounds_.startInner);
  // From the start request until this handler returns, however the transfer ends, a sleeping
  // or shut-down system would leave the device half-written.
  const std::unique_ptr<SystemHold> awake = host_.HoldSystemAwake();
  if (const std::optional<Outcome> notStarted = StartUpgrade(counter)) return *notStarted;

  const std::optional<KindTexts> kindTexts = TextsFor(Header.Kind());
  if (kindTexts) controls_.SetText(Control::MessageEdit, kindTexts->upgrading);
  const Outcome sent = SendBlocks(plan);
  if (sent != Outcome::Completed) return sent;
  if (CancelRequested) return Outcome::Cancelled;
  controls_.SetText(Control::PercentEdit, name::kPercentComplete);
  if (kindTexts) controls_.SetText(Control::MessageEdit, kindTexts->completed);
  host_.MessageBeep(Beep::Plain);
  controls_.Enable(Control::CancelButton, false);
  controls_.Enable(Control::PathEdit, true);
  return Outcome::Completed;
}

std::optional<Outcome> CFlashwellDlg::RepeatImageCheck(PollCounter& counter) {
  ReportCopy reply{};
  if (const std::optional<Outcome> unanswered = RequestImageCheck(counter, reply)) {
    if (*unanswered == Outcome::Closed) return unanswered;
    DeviceReady = false;
    return Fail(text::kResetDeviceFirst, *unanswered);
  }
  if (!DeviceReady) return std::nullopt;
  const ReportView answer{std::span(reply)};
  if (ReadCheckVerdict(answer) == CheckVerdict::Rejected) {
    return Fail(text::kInvalidFile, Outcome::Rejected);
  }
  if (IsReadyToInstall(answer)) controls_.SetText(Control::MessageEdit, text::kPressUpgrade);
  return std::nullopt;
}

std::optional<Outcome> CFlashwellDlg::StartUpgrade(PollCounter& counter) {
  link_.InputReport.Mark(kUpgradeStartMarker);
  BuildUpgradeStartRequest(link_.BeginRequest());
  UpdateData(false);
  link_.RaiseWritePending();
  controls_.SetText(Control::MessageEdit, text::kUpgrading);

  const WaitEnd end = PollUntil(
      counter, [this] { return HasAnswered(link_.InputReport.Current()); },
      [this] { return StopRequested(); }, [this] { PumpMessages(); });
  link_.EndRetries();  // however it ended: a stalled device is not written to for ever
  std::optional<Outcome> notStarted;
  if (end == WaitEnd::Ended) notStarted = StopOutcome();
  if (end == WaitEnd::Exhausted)
    notStarted = Fail(text::kCommunicationError, Outcome::NotAnswering);
  controls_.Enable(Control::CancelButton, true);
  return notStarted;
}

Outcome CFlashwellDlg::SendBlocks(const PayloadPlan& plan) {
  ReportView block{std::span(DataBlock)};
  link_.InputReport.Mark(kFirstBlockMarker);
  std::uint32_t nextBlock = 0;
  std::uint8_t sequence = 0;
  // The acknowledgement that ended the last wait. Next-or-same is decided from it,
  // never from the live buffer: a report that lands after the wait (a device repeating an
  // earlier acknowledgement) must not turn "send it again" into "next block", since a block
  // carries no number and the device would store the next block in this one's place.
  std::optional<BlockAck> lastAck;
  bool progressPending = false;

  for (;;) {
    PumpMessages();
    if (!lastAck || *lastAck == BlockAck::Accepted) {
      BuildDataBlockReport(block, plan.PayloadSize, ImagePayload_.Block(nextBlock));
      ++nextBlock;
      progressPending = true;
    }
    link_.InputReport.Mark(kEveryBlockMarker);
    link_.BeginRequest().CopyFrom(block);
    UpdateData(false);
    // A block carries no number: a copy the device took would be stored in the next one's place.
    link_.RaiseWritePending(Resend::OnlyIfUnsent);

    ReportCopy copy{};
    const WaitEnd end = AwaitAcknowledgement(sequence, progressPending, copy);
    // A failure code ends the upload however the wait ended (it may carry another number).
    const BlockAck ack = end == WaitEnd::Answered ? ReadBlockAck(ReportView(std::span(copy)))
                         : IsUploadFailure(link_.InputReport.Current()) ? BlockAck::Failed
                                                                        : BlockAck::SendAgain;
    if (ack == BlockAck::Failed) return Fail(text::kUploadFailed, Outcome::Failed);
    sequence = NextSequence(sequence);
    if (end == WaitEnd::Exhausted) return Outcome::Failed;
    if (end == WaitEnd::Ended) return StopOutcome();
    // The last block accepted ends the transfer, so the block index never passes it.
    if (nextBlock == plan.BlockCount() && ack == BlockAck::Accepted) return Outcome::Completed;
    lastAck = ack;
  }
}

WaitEnd CFlashwellDlg::AwaitAcknowledgement(std::uint8_t sequence, bool& progressPending,
                                            ReportCopy& ack) {
  PollCounter counter(bounds_.acknowledgement);
  // An acknowledgement is looked for before the block's dropped write at each poll: one that
  // came before the write failed still counts, the block having reached the device once.
  const WaitEnd waited = PollInSlices(
      counter, linkRunInterval_,
      [&] {
        return link_.InputReport.TakeIf(
            [sequence](const ReportView& input) { return IsBlockAck(input, sequence); }, ack);
      },
      [this] { return StopRequested() || link_.LastRequestDropped(); },
      [&] {
        if (progressPending) StepProgress(progressPending);
      },
      [this] { host_.RunLink(); });
  link_.EndRetries();  // however it ended: a stalled device is not written to for ever
  WaitEnd end = waited;
  if (waited == WaitEnd::Ended && !StopRequested()) {
    // Dropped, the block may or may not be in the device: only a reset makes it whole again.
    // Unless it has gone: a pulled cable cuts a write short before the removal shows, and the
    // device leaves the listing a moment later. Then the transfer ends as a removal does.
    const WaitEnd left = AwaitDeviceUnlisted(
        [this] { return StopRequested() || deferredScan_ || !link_.HasDevice(); });
    end = left == WaitEnd::Exhausted ? WaitEnd::Exhausted : WaitEnd::Ended;
  }
  if (end == WaitEnd::Exhausted) Fail(text::kCommunicationError, Outcome::Failed);
  // A device that answers before the first poll still gets its block counted.
  if (end == WaitEnd::Answered && progressPending) StepProgress(progressPending);
  return end;
}

Outcome CFlashwellDlg::StopOutcome() {
  if (CloseRequested) return Outcome::Closed;
  if (CancelRequested) return Outcome::Cancelled;
  return LostDeviceOutcome();
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
  // Counted against the full blocks plus one, whether or not a partial block follows.
  LastPercentage =
      PercentOf(static_cast<std::uint32_t>(position), std::uint64_t{FullBlockCount} + 1);
  char percent[32];
  std::snprintf(percent, sizeof percent, std::string(name::kPercentFormat).c_str(),
                static_cast<int>(LastPercentage), '%');
  controls_.SetText(Control::PercentEdit, percent);
}

}  // namespace kr55le
