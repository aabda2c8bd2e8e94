#include "platform/console/console_host.h"

#include <chrono>
#include <utility>

#include "platform/console/notice_poll.h"

namespace kr55le::console {
namespace {

constexpr char kBell = '\a';
constexpr char kNewline = '\n';
// How long the wait for a removal notice goes without dispatching window messages.
constexpr std::chrono::milliseconds kRemovalNoticeSlice{20};
// How often what the command shows looks whether the reader has gone. Only a change of a control
// looks (a status text, a block's progress), never a wait's pump: a look reads the clock, and
// the pumping waits, which pump after every poll, would take twice as long.
constexpr std::chrono::milliseconds kReaderLook{50};

Control ButtonOf(ConsoleStep step) {
  return step == ConsoleStep::Browse ? Control::BrowseButton : Control::UpgradeButton;
}

}  // namespace

ConsoleHost::ConsoleHost(ControlModel& model, hid::HidServices* services,
                         ConsoleHostSettings settings)
    : model_(model),
      services_(services),
      noticeDescriptor_(services != nullptr ? services->NoticeDescriptor() : -1),
      settings_(std::move(settings)),
      progress_(settings_.errors, settings_.progress),
      shownStatus_(model.Text(Control::MessageEdit)) {
  model_.SetObserver([this](Control control) { Observe(control); });
}

ConsoleHost::~ConsoleHost() {
  model_.SetObserver(nullptr);
}

int ConsoleHost::RunModal(DialogMessages& dialog) {
  dialog_ = &dialog;
  ended_ = false;
  result_ = kConsoleRunNotEnded;
  stoppedAt_.reset();
  dialog.OnInitDialog();
  PumpMessages();
  for (const ConsoleStep step : settings_.steps) {
    if (ended_) break;
    if (!model_.IsEnabled(ButtonOf(step)) || (settings_.mayTakeStep && !settings_.mayTakeStep())) {
      stoppedAt_ = step;
      break;
    }
    Post(step == ConsoleStep::Browse ? DialogMessageKind::BrowseClicked
                                     : DialogMessageKind::UpgradeClicked);
    PumpMessages();
  }
  AwaitRemovalNotice();
  dialog_ = nullptr;
  return result_;
}

void ConsoleHost::PumpMessages() {
  for (;;) {
    TakeInterrupts();
    TakeNotices();
    const std::optional<DialogMessage> message = queue_.Take();
    if (!message) return;
    if (message->kind == DialogMessageKind::DeviceChange && GoalReached()) continue;
    // Outside RunModal a message is dropped, as a closed window's would be.
    if (dialog_ != nullptr) Deliver(*dialog_, *message);
  }
}

std::unique_ptr<SystemHold> ConsoleHost::HoldSystemAwake() {
  return settings_.holdSystemAwake ? settings_.holdSystemAwake() : nullptr;
}

void ConsoleHost::EndDialog(int result) {
  result_ = result;
  ended_ = true;
}

void ConsoleHost::MessageBeep(Beep) {
  if (!settings_.bell) return;
  std::fputc(kBell, settings_.errors);
  std::fflush(settings_.errors);
}

void ConsoleHost::MessageBox(std::string_view text) {
  progress_.Finish();
  std::fprintf(settings_.errors, "%.*s", static_cast<int>(text.size()), text.data());
  if (!text.ends_with(kNewline)) std::fputc(kNewline, settings_.errors);
  std::fflush(settings_.errors);
  PumpMessages();
}

std::optional<std::string> ConsoleHost::OpenFileDialog(const OpenFileRequest&) {
  PumpMessages();
  return settings_.imagePath;
}

void ConsoleHost::PostDeviceChange(hid::DeviceChange change) {
  queue_.Post({DialogMessageKind::DeviceChange, change});
}

void ConsoleHost::Post(DialogMessageKind kind) {
  queue_.Post({kind, {}});
}

void ConsoleHost::LookForReader() {
  if (readerGone_ || !settings_.readerGone) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < nextReaderLook_) return;
  nextReaderLook_ = now + kReaderLook;
  readerGone_ = settings_.readerGone();
}

void ConsoleHost::TakeInterrupts() {
  // A reader gone counts as one more press.
  const int pressed =
      (settings_.interrupts != nullptr ? settings_.interrupts->load(std::memory_order_acquire)
                                       : 0) +
      (readerGone_ ? 1 : 0);
  for (; handledInterrupts_ < pressed; ++handledInterrupts_) {
    // The first press is the Cancel button where a person could click it; any other press, or
    // one while Cancel is disabled, closes the window.
    const bool cancel = handledInterrupts_ == 0 && model_.IsEnabled(Control::CancelButton);
    Post(cancel ? DialogMessageKind::CancelClicked : DialogMessageKind::CancelCommand);
  }
}

void ConsoleHost::TakeNotices() {
  DispatchThreadMessages();
  if (noticeDescriptor_ >= 0 && IsReadable(noticeDescriptor_)) services_->DispatchNotices();
}

void ConsoleHost::AwaitRemovalNotice() {
  if (ended_ || services_ == nullptr || !settings_.deviceGone || GoalReached() ||
      !settings_.deviceGone()) {
    return;
  }
  if (noticeDescriptor_ >= 0) {
    if (IsReadable(noticeDescriptor_, kRemovalNoticeMilliseconds)) PumpMessages();
    return;
  }
  // Without a descriptor the notice comes from a thread of the backend's own or, on Windows, as
  // a window message that only this thread's dispatch delivers: look at both, a slice at a time.
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kRemovalNoticeMilliseconds);
  do {
    DispatchThreadMessages();
    if (queue_.AwaitMessage(kRemovalNoticeSlice)) {
      PumpMessages();
      return;
    }
  } while (std::chrono::steady_clock::now() < until);
}

void ConsoleHost::Observe(Control control) {
  LookForReader();
  if (control == Control::ProgressBar && settings_.progress != ProgressStyle::None) {
    const int sent = model_.GetPos() - model_.RangeMinimum();
    const int total = model_.RangeMaximum() - model_.RangeMinimum();
    if (sent > 0)
      progress_.Show(static_cast<std::uint32_t>(sent), static_cast<std::uint32_t>(total));
    return;
  }
  if (control != Control::MessageEdit) return;
  const std::string& text = model_.Text(Control::MessageEdit);
  if (text == shownStatus_) return;  // another property changed
  shownStatus_ = text;
  progress_.Finish();
  if (settings_.onStatusText) settings_.onStatusText(text);
}

}  // namespace kr55le::console
