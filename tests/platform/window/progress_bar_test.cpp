#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/window/control_model.h"

namespace kr55le {
namespace {

// The position asked for with SetPos before SetRange, where it stands after SetRange, and after
// one StepIt.
struct ProgressCase {
  int min, max, step;
  int pos, ranged, stepped;
};

TEST(ProgressBar, ClampsIntoTheRangeAndWrapsToTheMinimumPastTheMaximum) {
  const ProgressCase cases[] = {
      // inside
      {.min = 0, .max = 50, .step = 1, .pos = 20, .ranged = 20, .stepped = 21},
      // the range moves above the position
      {.min = 30, .max = 60, .step = 10, .pos = 20, .ranged = 30, .stepped = 40},
      // the range moves below the position
      {.min = 0, .max = 15, .step = 1, .pos = 20, .ranged = 15, .stepped = 0},
      // a step lands on the maximum
      {.min = 0, .max = 20, .step = 10, .pos = 10, .ranged = 10, .stepped = 20},
      // a step passes the maximum: back to the minimum
      {.min = 5, .max = 25, .step = 10, .pos = 20, .ranged = 20, .stepped = 5},
      // a negative step stops at the minimum
      {.min = 10, .max = 50, .step = -10, .pos = 15, .ranged = 15, .stepped = 10},
      // the maximum below the minimum
      {.min = 40, .max = 10, .step = 1, .pos = 90, .ranged = 40, .stepped = 40},
  };
  for (const auto& c : cases) {
    ControlModel model;
    model.SetPos(c.pos);
    model.SetRange(c.min, c.max);
    model.SetStep(c.step);
    const auto row = ::testing::Message() << c.min << ".." << c.max << " step " << c.step;
    EXPECT_EQ(model.GetPos(), c.ranged) << row;
    model.StepIt();
    EXPECT_EQ(model.GetPos(), c.stepped) << row;
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
      {"inserted entry",
       [](ControlModel& m) { m.InsertString(Control::DeviceCombo, 0, "c"); },
       {Control::DeviceCombo}},
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
