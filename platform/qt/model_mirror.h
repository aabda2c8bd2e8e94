// Keeps the window's widgets showing the control model, and hands what the user edits (the
// path typed into PathEdit, the entry chosen in the device combo box) back to the model.
#pragma once

#include "platform/qt/dialog_window.h"
#include "window/control_model.h"

namespace kr55le::qt {

class ModelMirror {
 public:
  ModelMirror(ControlModel& model, DialogWindow& window);
  ModelMirror(const ModelMirror&) = delete;
  ModelMirror& operator=(const ModelMirror&) = delete;

  // Shows the model's state of one control (text, enabled state, entries and selection,
  // progress) in its widget.
  void Show(Control control);
  void ShowAll();

 private:
  void ShowEntries(Control control);
  void ShowText(Control control);
  void ShowProgress();
  void ConnectUserEdits();

  ControlModel& model_;
  DialogWindow& window_;
  bool showing_ = false;  // set while the model is written into a widget, so it does not echo
};

// PathEdit keeps the platform's "\r\n" line breaks in the model; the editor uses "\n".
QString ToEditorLineBreaks(std::string_view text);
std::string ToModelLineBreaks(const QString& text);

}  // namespace kr55le::qt
