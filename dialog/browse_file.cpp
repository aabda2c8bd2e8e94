// Choosing an image file and having the device check it.
#include "dialog/flashwell_dlg.h"
#include "dialog/path_display.h"
#include "image/image_file.h"
#include "res/names.h"
#include "res/strings.h"

namespace kr55le {

void CFlashwellDlg::OnBrowseFile() {
  // Inside an upgrade's own waits: the file it checked and loads must stay the one it sends.
  if (upgradeRunning_) return;
  outcomes_.Set(Handler::Browse, BrowseFile());
}

Outcome CFlashwellDlg::BrowseFile() {
  FileSelected = false;
  const std::optional<std::string> chosen = host_.OpenFileDialog(
      {text::kOpenDialogTitle, text::kOpenDialogFilter, name::kOpenDialogDefaultExtension});
  controls_.SetText(Control::FileVersionField, "");
  if (!chosen) {
    host_.MessageBox(text::kFileOpenFail);
    host_.MessageBeep(Beep::Error);
    return Outcome::NoFile;
  }
  // A scan that ran while the dialog was open found no device that answers (and said so), or
  // the window is closing: there is nothing to check the file with.
  if (CloseRequested) return Outcome::Closed;
  if (!controls_.IsEnabled(Control::BrowseButton)) return outcomes_.Of(Handler::Scan);

  ImagePath = *chosen;
  controls_.SetText(Control::PathEdit, BreakPathForDisplay(ImagePath));
  ImageFile file(ImagePath);
  if (!file.IsOpen()) {
    // Removed or unreadable between choosing and reading: say so, and send nothing.
    controls_.SetText(Control::MessageEdit, RefusalText(ImageVerdict::CannotOpen));
    host_.MessageBeep(Beep::Error);
    return Outcome::NoFile;
  }
  FileSelected = true;
  DeviceReady = true;
  ReadImageHeader(file, Header);
  file.Close();

  if (const ImageVerdict refusal = HeaderRefusal(Header); refusal != ImageVerdict::Ok) {
    controls_.SetText(Control::MessageEdit, RefusalText(refusal));
    controls_.Enable(Control::UpgradeButton, false);
    return Outcome::InvalidFile;
  }
  controls_.SetText(Control::FileVersionField, Header.VersionText());

  // From the request to the end of its wait only: a scan that runs while the file dialog was
  // open has run in full, so the request goes to the device that scan found.
  BeginExchange();
  const Outcome checked = CheckChosenFile();
  EndExchange();
  return checked;
}

Outcome CFlashwellDlg::CheckChosenFile() {
  PollCounter counter(bounds_.browseCheck);
  ReportCopy reply{};
  if (const std::optional<Outcome> unanswered = RequestImageCheck(counter, reply)) {
    if (*unanswered != Outcome::Closed) BrowseCheckUnanswered();
    return *unanswered;
  }
  if (!FileSelected) return outcomes_.Of(Handler::Browse);  // a newer Browse ran inside the wait
  return ShowCheckVerdict(reply);
}

std::optional<Outcome> CFlashwellDlg::RequestImageCheck(PollCounter& counter, ReportCopy& reply) {
  link_.InputReport.Mark(kImageCheckMarker);
  BuildImageCheckRequest(link_.BeginRequest(), Header.CheckFields());
  link_.RaiseWritePending();
  // With no device to answer, the bound would only make the person wait for the same outcome.
  const WaitEnd end = PollUntil(
      counter, [&] { return link_.InputReport.TakeIf(HasAnswered, reply); },
      [this] { return DeviceLost() || CloseRequested; }, [this] { PumpMessages(); });
  link_.EndRetries();  // however it ended: a stalled device is not written to for ever
  switch (end) {
    case WaitEnd::Answered:
      return std::nullopt;
    case WaitEnd::Ended:
      // The exit request has gone out: let the window close instead of waiting on.
      return CloseRequested ? Outcome::Closed : Outcome::NoDevice;
    case WaitEnd::Exhausted:
      break;
  }
  return Outcome::NotAnswering;
}

Outcome CFlashwellDlg::ShowCheckVerdict(ReportCopy& reply) {
  switch (ReadCheckVerdict(ReportView(std::span(reply)))) {
    case CheckVerdict::Rejected:
      if (Header.Kind() != ImageKindClass::Unknown) {
        controls_.SetText(Control::MessageEdit, text::kRejectedFile);
      }
      controls_.Enable(Control::UpgradeButton, false);
      FileSelected = false;
      return Outcome::Rejected;
    case CheckVerdict::SameVersion:
      controls_.SetText(Control::MessageEdit, text::kSameVersion);
      controls_.Enable(Control::UpgradeButton, true);
      return Outcome::Accepted;
    case CheckVerdict::OtherVersion:
      controls_.SetText(Control::MessageEdit, text::kOtherVersion);
      controls_.Enable(Control::UpgradeButton, true);
      return Outcome::Accepted;
    case CheckVerdict::NoVerdict:
      break;
  }
  return Outcome::NoVerdict;
}

void CFlashwellDlg::BrowseCheckUnanswered() {
  DeviceReady = false;
  FileSelected = false;
  controls_.SetText(Control::MessageEdit, text::kCommunicationError);
  host_.MessageBeep(Beep::Error);
}

}  // namespace kr55le
