// The dialog's host on Qt Widgets: the window built from the dialog template, the control model
// mirrored into it, and every user action (clicks, Enter, Escape, the close box), device notice
// and tick of the dialog's timer delivered to the dialog as a queued message.
#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/qt/dialog_window.h"
#include "platform/qt/event_sounds.h"
#include "platform/qt/model_mirror.h"
#include "window/control_model.h"
#include "window/dialog_host.h"

class QEventLoop;

namespace kr55le::qt {

class QtDialogHost final : public DialogHost {
 public:
  // Needs a QApplication. The window is built at once, hidden; RunModal shows it. When
  // `services` gives a notice descriptor, the host watches it and calls DispatchNotices when it
  // is readable. The model's enabled states are set to the template's first. `holds` gives the
  // holds on sleep that transfers take (none when empty).
  explicit QtDialogHost(ControlModel& model, hid::HidServices* services = nullptr,
                        SystemHoldSource holds = {});
  ~QtDialogHost() override;
  QtDialogHost(const QtDialogHost&) = delete;
  QtDialogHost& operator=(const QtDialogHost&) = delete;

  int RunModal(DialogMessages& dialog) override;
  void PumpMessages() override;
  void EndDialog(int result) override;

  void MessageBeep(Beep beep) override;
  void MessageBox(std::string_view text) override;
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override;

  void PostDeviceChange(hid::DeviceChange change) override;
  void SetTimer(std::chrono::milliseconds interval) override;
  void KillTimer() override;
  void ShowHint(std::string_view hint) override;
  std::unique_ptr<SystemHold> HoldSystemAwake() override;

  DialogWindow& Window() { return *window_; }

 private:
  using Message = std::function<void(DialogMessages&)>;
  // Queues a message for the dialog thread's event loop; callable from any thread.
  void Post(Message message);
  void Deliver(WindowCommand command);
  QWidget* BoxParent() const;

  ControlModel& model_;
  std::unique_ptr<DialogWindow> window_;
  ModelMirror mirror_;
  std::unique_ptr<QSocketNotifier> noticeNotifier_;
  QTimer timer_;  // the dialog's: each timeout is queued as a timer message
  SystemHoldSource holds_;
  EventSounds sounds_;

  DialogMessages* dialog_ = nullptr;  // the dialog RunModal runs; messages reach only it
  QEventLoop* modalLoop_ = nullptr;
  bool endRequested_ = false;
  int result_ = 0;
  std::atomic<int> pendingMessages_{0};
};

}  // namespace kr55le::qt
