#include "window/control_model.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace kr55le {
namespace {

static_assert(static_cast<std::size_t>(Control::ProgressBar) + 1 == kControlCount,
              "kControlCount must cover every control");

constexpr char kUpperFirst = 'A';
constexpr char kUpperLast = 'Z';
constexpr char kUpperToLower = 'a' - 'A';

// ASCII only, so the order does not depend on the process locale.
unsigned char Fold(char character) {
  if (character >= kUpperFirst && character <= kUpperLast) {
    character = static_cast<char>(character + kUpperToLower);
  }
  return static_cast<unsigned char>(character);
}

bool LessIgnoringCase(std::string_view left, std::string_view right) {
  return std::lexicographical_compare(
      left.begin(), left.end(), right.begin(), right.end(),
      [](char first, char second) { return Fold(first) < Fold(second); });
}

bool BeginsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char first, char second) { return Fold(first) == Fold(second); });
}

bool HasEntries(Control control) {
  return control == Control::DeviceCombo || control == Control::DevicePathList;
}

bool InRange(int index, int count) {
  return index >= 0 && index < count;
}

}  // namespace

ControlModel::ControlModel() = default;

void ControlModel::SetObserver(std::function<void(Control)> observer) {
  observer_ = std::move(observer);
}

const std::string& ControlModel::Text(Control control) const {
  return At(control).text;
}

void ControlModel::SetText(Control control, std::string_view text) {
  State& state = At(control);
  if (state.text == text) return;
  state.text = text;
  Changed(control);
}

bool ControlModel::IsEnabled(Control control) const {
  return At(control).enabled;
}

void ControlModel::Enable(Control control, bool enabled) {
  State& state = At(control);
  if (state.enabled == enabled) return;
  state.enabled = enabled;
  Changed(control);
}

int ControlModel::AddString(Control control, std::string_view entry) {
  if (!HasEntries(control)) return kNoSelection;
  State& state = At(control);
  // upper_bound puts an entry after those equal to it, as the sorted platform controls do.
  const auto position = std::upper_bound(state.items.begin(), state.items.end(), entry,
                                         [](std::string_view value, const std::string& item) {
                                           return LessIgnoringCase(value, item);
                                         });
  const int index = static_cast<int>(position - state.items.begin());
  state.items.insert(position, std::string(entry));
  if (state.selection != kNoSelection && index <= state.selection) ++state.selection;
  Changed(control);
  return index;
}

int ControlModel::InsertString(Control control, int index, std::string_view entry) {
  if (!HasEntries(control)) return kNoSelection;
  State& state = At(control);
  const int count = static_cast<int>(state.items.size());
  if (index == kNoSelection) index = count;
  if (index < 0 || index > count) return kNoSelection;
  state.items.insert(state.items.begin() + index, std::string(entry));
  if (state.selection != kNoSelection && index <= state.selection) ++state.selection;
  Changed(control);
  return index;
}

void ControlModel::ResetContent(Control control) {
  if (!HasEntries(control)) return;
  State& state = At(control);
  const bool clearsText = control == Control::DeviceCombo && !state.text.empty();
  if (state.items.empty() && state.selection == kNoSelection && !clearsText) return;
  state.items.clear();
  state.selection = kNoSelection;
  if (clearsText) state.text.clear();
  Changed(control);
}

const std::vector<std::string>& ControlModel::Items(Control control) const {
  return At(control).items;
}

int ControlModel::Count(Control control) const {
  return static_cast<int>(At(control).items.size());
}

std::string ControlModel::ItemText(Control control, int index) const {
  const State& state = At(control);
  if (!InRange(index, Count(control))) return {};
  return state.items[static_cast<std::size_t>(index)];
}

int ControlModel::GetCurSel(Control control) const {
  return At(control).selection;
}

void ControlModel::SetCurSel(Control control, int index) {
  if (!HasEntries(control)) return;
  if (Select(control, index)) Changed(control);
}

int ControlModel::SelectString(Control control, std::string_view prefix) {
  if (!HasEntries(control)) return kNoSelection;
  const auto& items = At(control).items;
  const auto found = std::find_if(items.begin(), items.end(), [prefix](const std::string& item) {
    return BeginsWithIgnoringCase(item, prefix);
  });
  if (found == items.end()) return kNoSelection;
  const int index = static_cast<int>(found - items.begin());
  if (Select(control, index)) Changed(control);
  return index;
}

int ControlModel::FindString(Control control, int start, std::string_view prefix) const {
  const auto& items = At(control).items;
  const int count = static_cast<int>(items.size());
  const int first = InRange(start, count) ? start + 1 : 0;
  for (int checked = 0; checked < count; ++checked) {
    const int index = (first + checked) % count;
    if (BeginsWithIgnoringCase(items[static_cast<std::size_t>(index)], prefix)) return index;
  }
  return kNoSelection;
}

void ControlModel::SetRange(int minimum, int maximum) {
  maximum = std::max(minimum, maximum);
  const int position = std::clamp(progressPosition_, minimum, maximum);
  if (minimum == progressMinimum_ && maximum == progressMaximum_ && position == progressPosition_) {
    return;
  }
  progressMinimum_ = minimum;
  progressMaximum_ = maximum;
  progressPosition_ = position;
  Changed(Control::ProgressBar);
}

void ControlModel::SetStep(int step) {
  if (step == progressStep_) return;
  progressStep_ = step;
  Changed(Control::ProgressBar);
}

void ControlModel::SetPos(int position) {
  position = std::clamp(position, progressMinimum_, progressMaximum_);
  if (position == progressPosition_) return;
  progressPosition_ = position;
  Changed(Control::ProgressBar);
}

void ControlModel::StepIt() {
  // Summed wide so that a large step cannot overflow.
  const long long next = static_cast<long long>(progressPosition_) + progressStep_;
  int position = static_cast<int>(std::max<long long>(next, progressMinimum_));
  if (next > progressMaximum_) position = progressMinimum_;
  if (position == progressPosition_) return;
  progressPosition_ = position;
  Changed(Control::ProgressBar);
}

int ControlModel::GetPos() const {
  return progressPosition_;
}
int ControlModel::RangeMinimum() const {
  return progressMinimum_;
}
int ControlModel::RangeMaximum() const {
  return progressMaximum_;
}

ControlModel::State& ControlModel::At(Control control) {
  return controls_[static_cast<std::size_t>(control)];
}

const ControlModel::State& ControlModel::At(Control control) const {
  return controls_[static_cast<std::size_t>(control)];
}

bool ControlModel::Select(Control control, int index) {
  State& state = At(control);
  const bool valid = InRange(index, Count(control));
  const int selection = valid ? index : kNoSelection;
  const std::string text = valid ? state.items[static_cast<std::size_t>(index)] : std::string();
  const bool showsText = control == Control::DeviceCombo;
  if (selection == state.selection && (!showsText || text == state.text)) return false;
  state.selection = selection;
  if (showsText) state.text = text;
  return true;
}

void ControlModel::Changed(Control control) {
  if (observer_) observer_(control);
}

}  // namespace kr55le
