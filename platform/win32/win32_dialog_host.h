// The dialog's host on Win32: the window made by the dialog manager from the in-memory template,
// with the system's own controls, the model mirrored into them, and the thread's message queue
// as the dialog's: clicks, the dialog keyboard interface, device notices and the dialog's timer
// reach the handlers as window messages, dispatched by the modal loop or by PumpMessages.
#pragma once

#include "platform/win32/windows_headers.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

#include "platform/win32/control_mirror.h"
#include "window/control_model.h"
#include "window/dialog_host.h"

namespace kr55le::win32 {

// The message that carries a device notice to the dialog window (wParam: the change).
inline constexpr UINT kDeviceChangeMessage = WM_APP + 1;
// The dialog's timer on its window, whose WM_TIMER is the dialog's timer message.
inline constexpr UINT_PTR kDialogTimerId = 1;

class Win32DialogHost final : public DialogHost {
 public:
  // Observes `model` (its one observer slot) until destroyed; sets the enabled states to the
  // template's. `icon` is the resource of the window's icon, or 0 for none.
  explicit Win32DialogHost(ControlModel& model, int icon = 0);
  ~Win32DialogHost() override;
  Win32DialogHost(const Win32DialogHost&) = delete;
  Win32DialogHost& operator=(const Win32DialogHost&) = delete;

  // -1 when the window cannot be made.
  int RunModal(DialogMessages& dialog) override;
  void PumpMessages() override;
  void EndDialog(int result) override;

  void MessageBeep(Beep beep) override;
  void MessageBox(std::string_view text) override;
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override;
  void PostDeviceChange(hid::DeviceChange change) override;
  // Only while the dialog's window exists; it goes with the window.
  void SetTimer(std::chrono::milliseconds interval) override;
  void KillTimer() override;
  void SetIcon() override;
  void CreateRuntimeControls() override;
  std::unique_ptr<SystemHold> HoldSystemAwake() override;

  // The dialog window while RunModal runs, else null.
  HWND Window() const { return window_.load(std::memory_order_acquire); }
  // A control's window once created, else null.
  HWND ControlWindow(Control control) const { return mirror_.Window(control); }

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void InitDialog(HWND window);
  bool Command(WORD id, WORD code, HWND control);
  void Dispatch(MSG& message);
  HWND BoxOwner() const;

  ControlModel& model_;
  const int icon_;
  ControlMirror mirror_;
  std::atomic<HWND> window_{nullptr};  // read by PostDeviceChange on any thread
  DialogMessages* dialog_ = nullptr;   // while RunModal runs; messages reach only it
  bool endRequested_ = false;
  int result_ = 0;
};

}  // namespace kr55le::win32
