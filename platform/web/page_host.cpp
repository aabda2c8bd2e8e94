#include "platform/web/page_host.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "device/protocol.h"
#include "image/image_header.h"
#include "image/image_payload.h"
#include "platform/web/page_bridge.h"
#include "res/accessible_names.h"
#include "res/dialog_template.h"
#include "res/names.h"
#include "res/strings.h"

namespace kr55le::web {
namespace {

using dialog_template::ControlClass;
using dialog_template::Style;

// The longest file an image can be: its header and the most payload a transfer carries. A longer
// one is refused by the upgrade as too large, which needs its length, never its payload.
constexpr std::uint64_t kLargestImage = kImageHeaderSize + kMaxPayloadSize;

int IndexOf(Control control) {
  return static_cast<int>(control);
}

page::Message CommandOf(Control control) {
  switch (control) {
    case Control::BrowseButton:
      return page::Message::BrowseFile;
    case Control::UpgradeButton:
      return page::Message::Upgrade;
    case Control::CancelButton:
      return page::Message::CancelUpgrade;
    default:
      return page::Message::None;
  }
}

std::string_view KindOf(ControlClass controlClass) {
  switch (controlClass) {
    case ControlClass::Button:
      return "button";
    case ControlClass::Edit:
      return "edit";
    case ControlClass::Static:
      return "static";
    case ControlClass::ListBox:
      return "listbox";
    case ControlClass::ComboBox:
      return "combobox";
    case ControlClass::ProgressBar:
      return "progress";
  }
  return "static";
}

// The styles the page shows, as the words the page reads.
std::string FlagsOf(const dialog_template::StyleSet& styles) {
  constexpr std::pair<Style, std::string_view> kShown[] = {
      {Style::Disabled, "disabled"}, {Style::Centered, "centered"}, {Style::Border, "border"},
      {Style::GroupBox, "groupbox"}, {Style::TabStop, "tabstop"},   {Style::Multiline, "multiline"},
  };
  std::string flags = styles.Has(Style::Visible) ? "" : "hidden";
  for (const auto& [style, word] : kShown) {
    if (styles.Has(style)) flags.append(" ").append(word);
  }
  return flags;
}

// The exit request as the close sends it: the request buffer as the last request left it, with
// the exit request's bytes, at the device's output length.
std::vector<std::uint8_t> CloseRequestOf(ReportLink& link) {
  std::array<std::uint8_t, kReportSize> report{};
  ReportView(std::span(report)).CopyFrom(ReportView(std::span(link.OutputReport)));
  BuildExitRequest(ReportView(std::span(report)));
  const std::size_t length =
      std::min<std::size_t>(link.Caps().OutputReportByteLength, report.size());
  return {report.begin(), report.begin() + static_cast<std::ptrdiff_t>(length)};
}

// The status for a device in use: on the page only another tab or window of this browser holds
// one (platform/web/page/hid.js), named when it said its title.
std::string InUseText(const std::string& holder) {
  if (holder.empty()) return std::string(text::kDeviceInUseInOtherTab);
  const std::string format(text::kDeviceInUseInNamedTabFormat);
  std::string shown(format.size() + holder.size(), '\0');
  const int length = std::snprintf(shown.data(), shown.size(), format.c_str(), holder.c_str());
  shown.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return shown;
}

}  // namespace

PageHost::PageHost(ControlModel& model, hid::HidServices& hid, LinkPasses& link)
    : model_(model), hid_(hid), link_(link) {
  Build();
  model_.SetObserver([this](Control control) { Show(control); });
  lastTurn_ = page::Now();
}

PageHost::~PageHost() {
  model_.SetObserver(nullptr);
}

void PageHost::Build() {
  const dialog_template::PixelRect size = dialog_template::ToPixels(dialog_template::kDialogRect);
  page::SetDialogSize(size.Width(), size.Height());
  // Template order is tab order: the elements go into the page in it.
  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    const dialog_template::PixelRect pixels = dialog_template::ToPixels(row.rect);
    page::ElementRow element;
    element.controlId = row.id;
    element.kind = KindOf(row.controlClass);
    // The notice names the system it runs on.
    element.text = row.text == text::kMakerNotice ? text::kMakerNoticeWeb : row.text;
    element.x = pixels.left;
    element.y = pixels.top;
    element.width = pixels.Width();
    element.height = pixels.Height();
    element.flags = FlagsOf(row.styles);
    if (row.control) {
      model_.Enable(*row.control, dialog_template::StartsEnabled(*row.control));
      element.index = IndexOf(*row.control);
      element.name = AccessibleName(*row.control);
      element.command = CommandOf(*row.control);
    }
    page::AddElement(element);
  }
  for (const dialog_template::RunTimeControl& row : dialog_template::RunTimeControls()) {
    page::ElementRow element;
    element.controlId = row.id;
    element.index = IndexOf(row.control);
    element.kind = KindOf(row.controlClass);
    element.x = row.rect.left;
    element.y = row.rect.top;
    element.width = row.rect.Width();
    element.height = row.rect.Height();
    element.flags = FlagsOf(row.styles);
    element.name = AccessibleName(row.control);
    // The status line: every status the dialog shows is read out.
    if (row.control == Control::MessageEdit) element.flags += " live";
    // What changes with every block is drawn at the browser's pace.
    if (row.control == Control::ProgressBar || row.control == Control::PercentEdit) {
      element.flags += " paced";
    }
    page::AddElement(element);
  }
  for (Control control : kAllControls) Show(control);
}

void PageHost::Show(Control control) {
  const int index = IndexOf(control);
  page::SetEnabled(index, model_.IsEnabled(control));
  switch (ContentOf(control)) {
    case ControlContent::Entries:
      page::SetEntries(index, model_.Items(control), model_.GetCurSel(control));
      page::SetText(index, model_.Text(control));
      break;
    case ControlContent::Progress:
      page::SetProgress(index, model_.RangeMinimum(), model_.RangeMaximum(), model_.GetPos());
      break;
    case ControlContent::Caption:
      break;
    case ControlContent::Text:
      if (control == Control::MessageEdit && model_.Text(control) == text::kDeviceInUse) {
        page::SetText(index, InUseText(page::HidInUseBy()));
      } else {
        page::SetText(index, model_.Text(control));
      }
      break;
  }
}

int PageHost::RunModal(DialogMessages& dialog) {
  dialog_ = &dialog;
  endRequested_ = false;
  result_ = 0;
  dialog.OnInitDialog();
  while (!endRequested_) {
    page::WaitForMessage(kIdleWaitMs);
    link_.Looked();  // no wait runs here: none misses a report
    AfterTurn();
    Deliver();
  }
  dialog_ = nullptr;
  OfferLeaveReport();  // the close has sent its own
  page::DialogClosed();
  return result_;
}

void PageHost::PumpMessages() {
  link_.Looked();  // the dialog pumps between its polls
  // What the page has queued is taken in the browser's turns, which a look at the clock (a call
  // into the page, many times a desktop's look at its queue) tells are due: once in a while.
  if (++pumps_ >= kPollsPerLook) {
    pumps_ = 0;
    Share();
  }
  Deliver();
}

void PageHost::RunLink() {
  link_.Looked();  // a wait runs the link after its polls
  Share();
}

void PageHost::Share() {
  const bool turnDue = page::Now() - lastTurn_ >= kTurnIntervalMs;
  // Before the browser's turn the link does what it has; a request goes out as soon as it is
  // raised, turn or not, and its reply is awaited there.
  if (turnDue || link_.RequestWaiting()) link_.RunAll();
  if (!turnDue) return;
  // A block's report and its reply give the browser turns of their own: another one, in the
  // middle of a transfer, only made each block longer.
  if (page::Now() - page::LastBrowserTurn() >= kTurnIntervalMs) page::YieldToBrowser();
  AfterTurn();
}

void PageHost::AfterTurn() {
  lastTurn_ = page::Now();
  link_.RunAll();
  hid_.DispatchNotices();
  TakePageMessages();
  OfferLeaveReport();
}

void PageHost::OfferLeaveReport() {
  // As the close: a request only to a device the dialog has identified and holds.
  ReportLink* link = link_.Watched();
  std::vector<std::uint8_t> report;
  if (dialog_ != nullptr && link != nullptr && link->HasDevice() &&
      !model_.Text(Control::SerialNumberField).empty()) {
    report = CloseRequestOf(*link);
  }
  if (report == leaveReport_) return;
  leaveReport_ = std::move(report);
  page::HidSetLeaveReport(leaveReport_);
}

void PageHost::TakePageMessages() {
  for (page::Message message = page::TakeMessage(); message != page::Message::None;
       message = page::TakeMessage()) {
    switch (message) {
      case page::Message::BrowseFile:
        queue_.emplace_back([](DialogMessages& dialog) { dialog.OnBrowseFile(); });
        break;
      case page::Message::Upgrade:
        queue_.emplace_back([](DialogMessages& dialog) { dialog.OnUpgrade(); });
        break;
      case page::Message::CancelUpgrade:
        queue_.emplace_back([](DialogMessages& dialog) { dialog.OnCancelUpgrade(); });
        break;
      case page::Message::Ok:
        queue_.emplace_back([](DialogMessages& dialog) { dialog.OnOK(); });
        break;
      case page::Message::Cancel:
        queue_.emplace_back([](DialogMessages& dialog) { dialog.OnCancel(); });
        break;
      case page::Message::None:
        break;
    }
  }
}

void PageHost::Deliver() {
  // A message handled here may pump again and so deliver the ones behind it: each is taken off
  // the queue before it runs.
  while (!queue_.empty() && dialog_ != nullptr) {
    Message message = std::move(queue_.front());
    queue_.pop_front();
    message(*dialog_);
  }
}

void PageHost::EndDialog(int result) {
  result_ = result;
  endRequested_ = true;
}

void PageHost::MessageBeep(Beep beep) {
  page::Beep(beep == Beep::Error);
}

void PageHost::MessageBox(std::string_view text) {
  page::MessageBox(name::kApplicationName, text);
}

std::optional<std::string> PageHost::OpenFileDialog(const OpenFileRequest&) {
  // The browser's picker offers the image files; the file is read from where it lands.
  constexpr char kAccept[] = ".bin";
  const std::optional<std::string> name =
      page::PickFile(kAccept, kPickedFolder, kLargestImage, kImageHeaderSize);
  if (!name) return std::nullopt;
  // Read from the folder it lands in, so that the path field shows the name the user chose.
  ::chdir(kPickedFolder);
  return name;
}

void PageHost::PostDeviceChange(hid::DeviceChange change) {
  queue_.emplace_back([change](DialogMessages& dialog) { dialog.OnDeviceChange(change); });
}

void PageHost::ShowHint(std::string_view hint) {
  page::SetHint(IndexOf(Control::MessageEdit), hint);
}

std::unique_ptr<SystemHold> PageHost::HoldSystemAwake() {
  page::SetBusy(true);
  page::HoldAwake(IndexOf(Control::MessageEdit), text::kWakeLockRefused);
  struct Hold final : SystemHold {
    ~Hold() override {
      page::ReleaseAwake();
      page::SetBusy(false);
    }
  };
  return std::make_unique<Hold>();
}

}  // namespace kr55le::web
