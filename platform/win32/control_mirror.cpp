#include "platform/win32/control_mirror.h"

#include <commctrl.h>

#include <vector>

#include "platform/win32/accessible_labels.h"
#include "platform/win32/wide_text.h"
#include "res/accessible_names.h"

namespace kr55le::win32 {
namespace {

struct EntryMessages {
  UINT reset, insert, count, textLength, text, setSelection;
};
constexpr EntryMessages kComboMessages{CB_RESETCONTENT, CB_INSERTSTRING, CB_GETCOUNT,
                                       CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_SETCURSEL};
constexpr EntryMessages kListMessages{LB_RESETCONTENT, LB_INSERTSTRING, LB_GETCOUNT,
                                      LB_GETTEXTLEN,   LB_GETTEXT,      LB_SETCURSEL};

// The controls' texts in UTF-8, through the wide-character calls: the ANSI ones would lose
// every character that the ANSI code page lacks.
std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

std::vector<std::string> Entries(HWND window, const EntryMessages& messages) {
  std::vector<std::string> entries;
  const auto count = ::SendMessageW(window, messages.count, 0, 0);
  for (WPARAM index = 0; static_cast<LRESULT>(index) < count; ++index) {
    const auto length = ::SendMessageW(window, messages.textLength, index, 0);
    if (length < 0) break;
    std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(window, messages.text, index, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<std::size_t>(length));
    entries.push_back(Narrow(entry));
  }
  return entries;
}

}  // namespace

void ControlMirror::Attach(Control control, HWND window) {
  windows_[static_cast<std::size_t>(control)] = window;
}

HWND ControlMirror::Window(Control control) const {
  return windows_[static_cast<std::size_t>(control)];
}

void ControlMirror::DetachAll() {
  windows_.fill(nullptr);
  statusLabel_ = nullptr;
}

void ControlMirror::ShowAll() {
  for (Control control : kAllControls) Show(control);
}

void ControlMirror::Show(Control control) {
  HWND window = Window(control);
  if (window == nullptr) return;
  showing_ = true;
  ::EnableWindow(window, model_.IsEnabled(control) ? TRUE : FALSE);
  switch (ContentOf(control)) {
    case ControlContent::Entries:
      ShowEntries(control, window);
      break;
    case ControlContent::Progress:
      ShowProgress(window);
      break;
    case ControlContent::Caption:
      break;
    case ControlContent::Text:
      if (ShowText(window, model_.Text(control)) && control == Control::MessageEdit &&
          statusLabel_ != nullptr) {
        ::SetWindowTextW(statusLabel_, Widen(StatusLineName(model_.Text(control))).c_str());
        AnnounceNameChange(window);
      }
      break;
  }
  showing_ = false;
}

void ControlMirror::TakeEdit(Control control) {
  if (showing_) return;
  HWND window = Window(control);
  if (window == nullptr) return;
  if (control == Control::PathEdit) {
    model_.SetText(control, WindowText(window));
  } else if (control == Control::DeviceCombo) {
    // A new selection only changes the control; the next scan reads it.
    model_.SetCurSel(control, static_cast<int>(::SendMessageW(window, CB_GETCURSEL, 0, 0)));
  }
}

bool ControlMirror::ShowText(HWND window, const std::string& text) {
  if (WindowText(window) == text) return false;
  ::SetWindowTextW(window, Widen(text).c_str());
  return true;
}

void ControlMirror::ShowEntries(Control control, HWND window) {
  const EntryMessages& messages = control == Control::DeviceCombo ? kComboMessages : kListMessages;
  const std::vector<std::string>& entries = model_.Items(control);
  if (Entries(window, messages) != entries) {
    ::SendMessageW(window, messages.reset, 0, 0);
    // Inserted at their places, not added: the model has already put them in order, and the
    // combo's entries must stay paired with the list's paths even where their texts sort
    // otherwise.
    for (std::size_t index = 0; index < entries.size(); ++index) {
      ::SendMessageW(window, messages.insert, index,
                     reinterpret_cast<LPARAM>(Widen(entries[index]).c_str()));
    }
  }
  const int selection = model_.GetCurSel(control);
  ::SendMessageW(window, messages.setSelection, static_cast<WPARAM>(selection), 0);
  // The combo's edit field may hold a text of its own that the data exchange put there.
  if (control == Control::DeviceCombo) ShowText(window, model_.Text(control));
}

void ControlMirror::ShowProgress(HWND window) {
  ::SendMessageW(window, PBM_SETRANGE32, static_cast<WPARAM>(model_.RangeMinimum()),
                 static_cast<LPARAM>(model_.RangeMaximum()));
  ::SendMessageW(window, PBM_SETPOS, static_cast<WPARAM>(model_.GetPos()), 0);
}

}  // namespace kr55le::win32
