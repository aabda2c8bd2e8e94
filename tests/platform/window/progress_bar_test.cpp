#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/window/control_model.h"

namespace kr55le {
namespace {

struct ProgressCase {
  const char* name;
  int minimum;
  int maximum;
  int step;
  int position;  // asked for with SetPos before the range is set
  int expected;  // after SetRange
  int stepped;   // after one StepIt
};

TEST(ProgressBar, ClampsIntoTheRangeAndWrapsToTheMinimumPastTheMaximum) {
  const ProgressCase cases[] = {
      {"inside", 0, 50, 1, 20, 20, 21},
      {"range moves above the position", 30, 60, 10, 20, 30, 40},
      {"range moves below the position", 0, 15, 1, 20, 15, 0},
      {"step lands on the maximum", 0, 20, 10, 10, 10, 20},
      {"step passes the maximum", 5, 25, 10, 20, 20, 5},
      {"negative step stops at the minimum", 10, 50, -10, 15, 15, 10},
      {"maximum below the minimum", 40, 10, 1, 90, 40, 40},
  };
  for (const auto& c : cases) {
    ControlModel model;
    model.SetPos(c.position);
    model.SetRange(c.minimum, c.maximum);
    model.SetStep(c.step);
    EXPECT_EQ(model.GetPos(), c.expected) << c.name;
    model.StepIt();
    EXPECT_EQ(model.GetPos(), c.stepped) << c.name;
  }
}

struct ObserverCase {
  const char* name;
  std::function<void(ControlModel&)> change;
  std::vector<Control> notified;
};

// Every case starts from: combo "a", "b" with "b" selected; PathEdit " "; progress 0..10 at 5.
TEST(ControlModelObserver, HearsOfEachChangeAndOfNothingElse) {
  const ObserverCase cases[] = {
      {"text", [](ControlModel& m) { m.SetText(Control::PathEdit, "x"); }, {Control::PathEdit}},
      {"same text", [](ControlModel& m) { m.SetText(Control::PathEdit, " "); }, {}},
      {"enable",
       [](ControlModel& m) { m.Enable(Control::CancelButton, false); },
       {Control::CancelButton}},
      {"same enabled state", [](ControlModel& m) { m.Enable(Control::CancelButton, true); }, {}},
      {"entry",
       [](ControlModel& m) { m.AddString(Control::DevicePathList, "p"); },
       {Control::DevicePathList}},
      {"reset",
       [](ControlModel& m) { m.ResetContent(Control::DeviceCombo); },
       {Control::DeviceCombo}},
      {"reset of an empty list",
       [](ControlModel& m) { m.ResetContent(Control::DevicePathList); },
       {}},
      {"selection",
       [](ControlModel& m) { m.SetCurSel(Control::DeviceCombo, 0); },
       {Control::DeviceCombo}},
      {"same selection", [](ControlModel& m) { m.SetCurSel(Control::DeviceCombo, 1); }, {}},
      {"select by prefix",
       [](ControlModel& m) { m.SelectString(Control::DeviceCombo, "A"); },
       {Control::DeviceCombo}},
      {"prefix without match",
       [](ControlModel& m) { m.SelectString(Control::DeviceCombo, "z"); },
       {}},
      {"position", [](ControlModel& m) { m.SetPos(6); }, {Control::ProgressBar}},
      {"same position", [](ControlModel& m) { m.SetPos(5); }, {}},
      {"narrower range", [](ControlModel& m) { m.SetRange(0, 5); }, {Control::ProgressBar}},
      {"same range", [](ControlModel& m) { m.SetRange(0, 10); }, {}},
      {"step it", [](ControlModel& m) { m.StepIt(); }, {Control::ProgressBar}},
      {"zero step",
       [](ControlModel& m) {
         m.SetStep(0);
         m.StepIt();
       },
       {Control::ProgressBar}},
  };
  for (const auto& c : cases) {
    ControlModel model;
    model.AddString(Control::DeviceCombo, "a");
    model.AddString(Control::DeviceCombo, "b");
    model.SetCurSel(Control::DeviceCombo, 1);
    model.SetText(Control::PathEdit, " ");
    model.SetRange(0, 10);
    model.SetPos(5);
    std::vector<Control> notified;
    model.SetObserver([&notified](Control control) { notified.push_back(control); });
    c.change(model);
    EXPECT_EQ(notified, c.notified) << c.name;
  }
}

}  // namespace
}  // namespace kr55le
