// Choosing an image file and having the device check it.
#include "dialog/flashwell_dlg.h"
#include "dialog/path_display.h"
#include "image/image_file.h"
#include "res/strings.h"

namespace kr55le {

void CFlashwellDlg::OnBrowseFile() {
  FileSelected = false;
  const std::optional<std::string> chosen = host_.OpenFileDialog(
      {text::kOpenDialogTitle, text::kOpenDialogFilter, text::kOpenDialogDefaultExtension});
  controls_.SetText(Control::FileVersionField, "");
  if (!chosen) {
    host_.MessageBox(text::kFileOpenFail);
    host_.MessageBeep(Beep::Error);
    return;
  }
  // A scan that ran while the dialog was open found no device that answers (and said so), or
  // the window is closing: there is nothing to check the file with.
  if (CloseRequested || !controls_.IsEnabled(Control::BrowseButton)) return;

  ImagePath = *chosen;
  controls_.SetText(Control::PathEdit, BreakPathForDisplay(ImagePath));
  ImageFile file(ImagePath);
  if (!file.IsOpen()) {
    // Removed or unreadable between choosing and reading: say so, and send nothing.
    controls_.SetText(Control::MessageEdit, text::kSelectValidFile);
    host_.MessageBeep(Beep::Error);
    return;
  }
  FileSelected = true;
  DeviceReady = true;
  ReadImageHeader(file, Header);
  file.Close();

  if (!Header.IsVersionWellFormed()) {
    controls_.SetText(Control::MessageEdit, text::kInvalidFile);
    controls_.Enable(Control::UpgradeButton, false);
    return;
  }
  controls_.SetText(Control::FileVersionField, Header.VersionText());

  // From the request to the end of its wait only: a scan that runs while the file dialog was
  // open has run in full, so the request goes to the device that scan found.
  ExchangeScope exchange(*this);
  link_.InputReport.Mark(kImageCheckMarker);
  BuildImageCheckRequest(link_.Output(), Header.CheckFields());
  link_.RaiseWritePending();

  ReportCopy reply{};
  std::uint64_t polls = 0;
  std::uint64_t passes = 0;
  while (!link_.InputReport.TakeIf(kAnsweredByte, kAnswered, reply)) {
    // No device to answer: the bound would only make the person wait for the same outcome.
    if (DeviceLost()) return BrowseCheckUnanswered();
    ++polls;
    PumpMessages();
    // The exit request has gone out: let the window close instead of waiting on.
    if (CloseRequested) return;
    if (polls >= bounds_.browseCheck.inner) {
      polls = 0;
      if (++passes >= bounds_.browseCheck.outer) return BrowseCheckUnanswered();
    }
  }

  if (!FileSelected) return;  // a newer Browse ran inside this wait
  const ReportView answer{std::span(reply)};
  switch (ReadCheckVerdict(answer)) {
    case CheckVerdict::Rejected:
      if (Header.Kind() != ImageKindClass::Unknown) {
        controls_.SetText(Control::MessageEdit, text::kRejectedFile);
      }
      controls_.Enable(Control::UpgradeButton, false);
      FileSelected = false;
      break;
    case CheckVerdict::SameVersion:
      controls_.SetText(Control::MessageEdit, text::kSameVersion);
      controls_.Enable(Control::UpgradeButton, true);
      break;
    case CheckVerdict::OtherVersion:
      controls_.SetText(Control::MessageEdit, text::kOtherVersion);
      controls_.Enable(Control::UpgradeButton, true);
      break;
    case CheckVerdict::NoVerdict:
      break;
  }
}

void CFlashwellDlg::BrowseCheckUnanswered() {
  DeviceReady = false;
  FileSelected = false;
  controls_.SetText(Control::MessageEdit, text::kCommunicationError);
  host_.MessageBeep(Beep::Error);
}

}  // namespace kr55le
