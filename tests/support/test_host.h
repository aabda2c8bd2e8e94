// The host of the scenario tests: it renders nothing, records what the dialog shows and asks
// for, and plays a script of a person's steps when their conditions hold. Queued messages reach the
// dialog through PumpMessages, so handlers nest inside waits as they do in a real window.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "window/control_model.h"
#include "window/dialog_host.h"
#include "window/dialog_message.h"

namespace kr55le {

// The test host's names for the shared dialog messages.
using HostMessageKind = DialogMessageKind;
using HostMessage = DialogMessage;

// An open-file request as the dialog made it, kept beyond the dialog's own strings.
struct RecordedOpenFileRequest {
  std::string title;
  std::string filter;
  std::string defaultExtension;
  friend bool operator==(const RecordedOpenFileRequest&, const RecordedOpenFileRequest&) = default;
};

class TestHost : public DialogHost {
 public:
  // Observes `model` (it takes the model's one observer slot) until destroyed.
  explicit TestHost(ControlModel& model);
  ~TestHost() override { model_.SetObserver(nullptr); }
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // None: a test attaches the dialog and calls its handlers (a call fails the test).
  int RunModal(DialogMessages& dialog) override;
  // Counts the pump, performs the steps due, then dispatches queued messages one at a time
  // until none is left.
  void PumpMessages() override;
  void EndDialog(int result) override { endResult_ = result; }
  void MessageBeep(Beep beep) override { beeps_.push_back(beep); }
  // Records the text and pumps once, as the box's own loop would.
  void MessageBox(std::string_view text) override {
    messageBoxes_.emplace_back(text);
    PumpMessages();
  }
  // Records the request, pumps once, then gives the next queued answer (nothing when none).
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override;
  void PostDeviceChange(hid::DeviceChange change) override {  // any thread
    queue_.Post({HostMessageKind::DeviceChange, change});
  }
  void SetTimer(std::chrono::milliseconds interval) override { timer_ = interval; }
  void KillTimer() override { timer_.reset(); }
  void ElapseTimer() {  // the running timer's interval has passed: its message is queued
    if (timer_) queue_.Post({HostMessageKind::Timer});
  }
  std::optional<std::chrono::milliseconds> Timer() const { return timer_; }
  void ShowHint(std::string_view hint) override { hints_.emplace_back(hint); }
  // A hold that the host counts while it lives.
  std::unique_ptr<SystemHold> HoldSystemAwake() override;
  // As a program without threads: `runLink` (the link's passes) runs at every pump and once in
  // `interval` polls of a wait that does not pump.
  void RunLinkItself(unsigned interval, std::function<void()> runLink) {
    linkRunInterval_ = interval;
    runLink_ = std::move(runLink);
  }
  unsigned LinkRunInterval() const override { return linkRunInterval_; }
  void RunLink() override {
    if (runLink_) runLink_();
  }

  // A person's steps, queued as the messages they cause. A click, Enter and typing are ignored
  // (and counted) while their control is disabled; Escape, like the close box, always works.
  void Click(Control button);
  void Enter() { PostIfEnabled(Control::PathEdit, {HostMessageKind::OkCommand}); }
  void Escape() { queue_.Post({HostMessageKind::CancelCommand}); }
  void Type(const std::string& text);
  // The script: `step` runs in the first pump in which `condition` holds. Due steps run in the
  // order they were added.
  void When(std::function<bool()> condition, std::function<void()> step) {
    script_.push_back({std::move(condition), std::move(step)});
  }
  void AnswerOpenFile(std::optional<std::string> path) {
    openFileAnswers_.push_back(std::move(path));
  }
  // The scripted steps that have not run yet.
  std::size_t WaitingSteps() const { return script_.size(); }

  // The dialog that messages go to.
  void Attach(DialogMessages& dialog) { dialog_ = &dialog; }

  // What happened.
  // Each text the control showed, in order (writing the text it already shows adds nothing).
  const std::vector<std::string>& Texts(Control control) const {
    return textHistories_[static_cast<std::size_t>(control)];
  }
  const std::vector<Beep>& Beeps() const { return beeps_; }
  const std::vector<std::string>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<RecordedOpenFileRequest>& OpenFileRequests() const { return openFileRequests_; }
  const std::vector<std::string>& Hints() const { return hints_; }
  int IgnoredSteps() const { return ignoredSteps_; }
  const std::vector<HostMessage>& DispatchedMessages() const { return dispatched_; }
  std::optional<int> EndResult() const { return endResult_; }
  int PumpCount() const { return pumpCount_; }
  int SystemHoldsTaken() const { return holdsTaken_; }
  int SystemHoldsHeld() const { return holdsHeld_; }

 private:
  struct ScheduledStep {
    std::function<bool()> condition;
    std::function<void()> step;
  };

  void PostIfEnabled(Control control, HostMessage message);
  bool Allows(Control control);  // whether `control` takes a step; counts the ignored ones
  void RecordText(Control control);

  ControlModel& model_;
  DialogMessages* dialog_ = nullptr;
  DialogMessageQueue queue_;
  std::vector<ScheduledStep> script_;
  std::deque<std::optional<std::string>> openFileAnswers_;
  int pumpCount_ = 0;
  int holdsTaken_ = 0;
  int holdsHeld_ = 0;
  int ignoredSteps_ = 0;
  std::array<std::string, kControlCount> shownTexts_;
  std::array<std::vector<std::string>, kControlCount> textHistories_;
  std::vector<Beep> beeps_;
  std::vector<std::string> messageBoxes_;
  std::vector<RecordedOpenFileRequest> openFileRequests_;
  std::vector<std::string> hints_;
  std::vector<HostMessage> dispatched_;
  std::optional<int> endResult_;
  std::optional<std::chrono::milliseconds> timer_;  // the running timer's interval
  unsigned linkRunInterval_ = 0;
  std::function<void()> runLink_;
};

}  // namespace kr55le
