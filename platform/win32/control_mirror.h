// Mirrors the control model into the dialog's Win32 controls, and takes the user's own edits
// (typing into PathEdit, choosing a combo entry) back into the model.
#pragma once

#include "platform/win32/windows_headers.h"

#include <array>
#include <string>

#include "window/control_model.h"

namespace kr55le::win32 {

class ControlMirror {
 public:
  explicit ControlMirror(ControlModel& model) : model_(model) {}

  // The control's window; a control without one (before it is created) is not shown.
  void Attach(Control control, HWND window);
  HWND Window(Control control) const;
  void DetachAll();

  void ShowAll();
  void Show(Control control);
  // A notification from one of the controls: the user changed it.
  void TakeEdit(Control control);
  // The hidden label that names the status line: it takes each new status, announced.
  void AttachStatusLabel(HWND label) { statusLabel_ = label; }

 private:
  bool ShowText(HWND window, const std::string& text);  // whether the text changed
  void ShowEntries(Control control, HWND window);
  void ShowProgress(HWND window);

  ControlModel& model_;
  std::array<HWND, kControlCount> windows_{};
  HWND statusLabel_ = nullptr;
  bool showing_ = false;  // the controls' notifications while we set them are not the user's
};

}  // namespace kr55le::win32
