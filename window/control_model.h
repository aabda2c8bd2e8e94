// The state of every control of the main dialog, with the semantics the handlers rely on
// implemented once here: sorted combo and list boxes, prefix searches, selection, and the
// progress bar's range and step. Hosts mirror this state into real widgets.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "res/controls.h"

namespace kr55le {

inline constexpr int kNoSelection = -1;  // CB_ERR / LB_ERR

inline constexpr int kProgressDefaultMinimum = 0;
inline constexpr int kProgressDefaultMaximum = 100;
inline constexpr int kProgressDefaultStep = 10;

// The whole percent `part` is of `whole`, rounded down; 0 of nothing. The dialog's percentage
// and the console's progress line both come from here.
constexpr std::uint32_t PercentOf(std::uint64_t part, std::uint64_t whole) {
  constexpr std::uint64_t kPercent = 100;
  return whole == 0 ? 0 : static_cast<std::uint32_t>(part * kPercent / whole);
}

class ControlModel {
 public:
  ControlModel();

  // Called after every change, with the control that changed (hosts repaint it); not called
  // when an operation leaves everything as it was. One observer at a time.
  void SetObserver(std::function<void(Control)> observer);

  // Any control. For the combo box the text is that of its edit field; setting it leaves the
  // selection as it is. Every control starts enabled with an empty text.
  const std::string& Text(Control control) const;
  void SetText(Control control, std::string_view text);
  bool IsEnabled(Control control) const;
  void Enable(Control control, bool enabled);

  // Combo box (DeviceCombo) and list box (DevicePathList): both keep their entries sorted,
  // case-insensitively (ASCII letters fold, other bytes compare by value); an entry equal to
  // existing ones goes after them. AddString returns the index the entry got; a selection stays
  // on the same entry. Other controls have no entries: AddString returns kNoSelection and
  // changes nothing. ResetContent empties the entries and the selection, and for the combo box
  // its edit field.
  int AddString(Control control, std::string_view entry);
  // CB_INSERTSTRING: puts the entry at `index` (or at the end for -1) without sorting; returns
  // its index, or kNoSelection for an index past the end.
  int InsertString(Control control, int index, std::string_view entry);
  void ResetContent(Control control);
  const std::vector<std::string>& Items(Control control) const;
  std::string ItemText(Control control, int index) const;  // empty for an invalid index

  // Selection of the combo box (and of the list box, which has no edit field). SetCurSel with
  // an index out of range clears the selection (and the edit field); a valid one shows that
  // entry in the edit field.
  int GetCurSel(Control control) const;
  void SetCurSel(Control control, int index);
  // CB_SELECTSTRING with start -1: selects the first entry from the top that begins with
  // `prefix` (case-insensitive; an empty prefix matches the first entry), shows it in the edit
  // field and returns its index, or kNoSelection leaving all as it was.
  int SelectString(Control control, std::string_view prefix);

  // LB_FINDSTRING: the first entry, searching from the one after `start` and wrapping round to
  // the top (so `start` itself is tried last), that begins with `prefix` (case-insensitive);
  // kNoSelection when none does. A start of -1, or out of range, searches from the top.
  int FindString(Control control, int start, std::string_view prefix) const;

  // Progress bar (PBM_SETRANGE, PBM_SETSTEP, PBM_SETPOS, PBM_STEPIT, PBM_GETPOS); range 0..100,
  // step 10, position 0 at first. The position always lies in the range: SetRange and SetPos
  // clamp it (a maximum below the minimum is taken as the minimum). StepIt past the maximum
  // wraps round to the minimum, as the platform control does; a negative step stops at the
  // minimum.
  void SetRange(int minimum, int maximum);
  void SetStep(int step);
  void SetPos(int position);
  void StepIt();
  int GetPos() const;
  int RangeMinimum() const;
  int RangeMaximum() const;

 private:
  struct State {
    std::string text;
    bool enabled = true;
    std::vector<std::string> items;
    int selection = kNoSelection;
  };
  State& At(Control control);
  const State& At(Control control) const;
  int Count(Control control) const;
  // Selects `index` (or nothing when out of range) and, for the combo box, shows it; reports
  // whether anything changed.
  bool Select(Control control, int index);
  void Changed(Control control);

  std::array<State, kControlCount> controls_;
  int progressMinimum_ = kProgressDefaultMinimum;
  int progressMaximum_ = kProgressDefaultMaximum;
  int progressStep_ = kProgressDefaultStep;
  int progressPosition_ = kProgressDefaultMinimum;
  std::function<void(Control)> observer_;
};

}  // namespace kr55le
