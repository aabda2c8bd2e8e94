// The dialog's host on a terminal: no window, the same handlers. It clicks the command's
// buttons in turn (only while they are enabled, as a person could), answers the open-file
// dialog with the command line's image, prints message boxes and status texts, redraws the
// transfer's progress on a terminal, and turns Ctrl+C into the Cancel button and the close box.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console/progress_line.h"
#include "window/control_model.h"
#include "window/dialog_host.h"
#include "window/dialog_message.h"

namespace kr55le::console {

// RunModal's result when the dialog did not end itself.
inline constexpr int kConsoleRunNotEnded = -1;
// How long the last step waits for the notice of a device that went away under it. Only a gone
// device waits; Wine's notices on a slow machine were seen to come seconds after the failure.
inline constexpr int kRemovalNoticeMilliseconds = 10000;

enum class ConsoleStep { Browse, Upgrade };

struct ConsoleHostSettings {
  std::vector<ConsoleStep> steps;  // clicked after OnInitDialog, each once its turn comes
  std::string imagePath;           // the open-file dialog's answer
  bool bell = false;               // beeps as '\a' on the error stream; silent otherwise
  ProgressStyle progress = ProgressStyle::None;  // of a transfer, on the error stream
  std::FILE* errors = stderr;
  // Presses of Ctrl+C so far, counted by a signal handler; null for none.
  const std::atomic<int>* interrupts = nullptr;
  // Whether the open device has failed as removed. A real removal's notice may come after the
  // failure that ended the step, so the host then waits for it: the command ends on the scan
  // that finds the device gone, as the window would show it.
  std::function<bool()> deviceGone = nullptr;
  // Whether the command has reached its goal (a completed transfer). Device notices are dropped
  // from then on, and no removal is waited for: a device that re-enumerates after its upgrade
  // must not turn the completion into a scan that finds no device.
  std::function<bool()> goalReached = nullptr;
  // Each text the status line comes to show, in order.
  std::function<void(std::string_view)> onStatusText = nullptr;
  // The holds on sleep that transfers take; none when empty.
  SystemHoldSource holdSystemAwake = nullptr;
  // Asked before each step whose button is enabled: false stops the command there, unclicked (the
  // device is not the one the command is for).
  std::function<bool()> mayTakeStep = nullptr;
  // Whether nobody reads the command's output any more (reader_gone.h). That counts as one more
  // press of Ctrl+C: the transfer stops as Cancel stops it, rather than go on unwatched.
  std::function<bool()> readerGone = nullptr;
};

class ConsoleHost final : public DialogHost {
 public:
  // Observes `model` (it takes the model's one observer slot) until destroyed. When `services`
  // gives a notice descriptor, every pump polls it and dispatches what is pending; every pump
  // also dispatches the thread's window messages, which carry the Windows backend's notices.
  ConsoleHost(ControlModel& model, hid::HidServices* services, ConsoleHostSettings settings);
  ~ConsoleHost() override;
  ConsoleHost(const ConsoleHost&) = delete;
  ConsoleHost& operator=(const ConsoleHost&) = delete;

  // OnInitDialog, then each step as a queued click, until the steps are done, a step's button
  // is disabled, or EndDialog; returns the EndDialog result or kConsoleRunNotEnded.
  int RunModal(DialogMessages& dialog) override;
  // Turns new Ctrl+C presses and pending device notices into messages, then dispatches queued
  // messages one at a time until none is left.
  void PumpMessages() override;
  void EndDialog(int result) override;
  void MessageBeep(Beep beep) override;
  // Prints the text on the error stream, pumps once as the box's own loop would, and answers OK.
  void MessageBox(std::string_view text) override;
  // Pumps once, then answers with the image path.
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override;
  // Any thread.
  void PostDeviceChange(hid::DeviceChange change) override;
  std::unique_ptr<SystemHold> HoldSystemAwake() override;

  // The step whose button was disabled when its turn came; nothing when none was.
  std::optional<ConsoleStep> StoppedAt() const { return stoppedAt_; }
  bool Ended() const { return ended_; }
  // Ends the progress line, if one is drawn, so that later output starts on a line of its own.
  void FinishOutput() { progress_.Finish(); }

 private:
  void Post(DialogMessageKind kind);
  void TakeInterrupts();
  void LookForReader();
  void TakeNotices();
  void AwaitRemovalNotice();
  bool GoalReached() const { return settings_.goalReached && settings_.goalReached(); }
  void Observe(Control control);

  ControlModel& model_;
  hid::HidServices* services_;
  const int noticeDescriptor_;
  ConsoleHostSettings settings_;
  ProgressLine progress_;

  DialogMessageQueue queue_;

  DialogMessages* dialog_ = nullptr;  // while RunModal runs; messages reach only it
  int handledInterrupts_ = 0;
  bool readerGone_ = false;
  std::chrono::steady_clock::time_point nextReaderLook_;
  bool ended_ = false;
  int result_ = kConsoleRunNotEnded;
  std::optional<ConsoleStep> stoppedAt_;
  std::string shownStatus_;
};

}  // namespace kr55le::console
