#include "window/control_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kr55le {
namespace {

using enum Control;
using Entries = std::vector<std::string>;

ControlModel WithEntries(Control control, const Entries& entries) {
  ControlModel model;
  for (const auto& entry : entries) model.AddString(control, entry);
  return model;
}

struct SortCase {
  const char* name;
  Entries added;
  std::vector<int> indices;
  Entries sorted;
};

TEST(ControlModel, KeepsBothListsSortedWithEqualEntriesAfterEarlierOnes) {
  const SortCase cases[] = {
      {"reverse order", {"c", "b", "a"}, {0, 0, 0}, {"a", "b", "c"}},
      {"case is ignored", {"b", "A", "C"}, {0, 0, 2}, {"A", "b", "C"}},
      {"equal entries keep their order", {"dev", "DEV", "Dev"}, {0, 1, 2}, {"dev", "DEV", "Dev"}},
      {"equal entry after a smaller one", {"b", "a", "B"}, {0, 0, 2}, {"a", "b", "B"}},
      {"a prefix sorts first", {"abc", "ab"}, {0, 0}, {"ab", "abc"}},
      {"digits as characters, not by value",
       {"/DEV/HIDRAW2", "/DEV/HIDRAW10"},
       {0, 0},
       {"/DEV/HIDRAW10", "/DEV/HIDRAW2"}},
  };
  for (const Control control : {DeviceCombo, DevicePathList}) {
    for (const auto& c : cases) {
      ControlModel model;
      std::vector<int> indices;
      for (const auto& entry : c.added) indices.push_back(model.AddString(control, entry));
      EXPECT_EQ(indices, c.indices) << c.name;
      EXPECT_EQ(model.Items(control), c.sorted) << c.name;
    }
  }
}

struct SelectionCase {
  const char* name;
  int selected;
  const char* added;
  int expected;
};

TEST(ControlModel, KeepsTheSelectionOnTheSameEntryWhenOneIsAdded) {
  const SelectionCase cases[] = {
      {"added before", 1, "a", 2},
      {"added after", 1, "z", 1},
      {"equal to the selected one", 1, "M", 1},
      {"equal to the entry before", 1, "C", 2},
      {"no selection", kNoSelection, "a", kNoSelection},
  };
  for (const auto& c : cases) {
    ControlModel model = WithEntries(DeviceCombo, {"c", "m", "x"});
    model.SetCurSel(DeviceCombo, c.selected);
    const std::string shown = model.Text(DeviceCombo);
    model.AddString(DeviceCombo, c.added);
    EXPECT_EQ(model.GetCurSel(DeviceCombo), c.expected) << c.name;
    EXPECT_EQ(model.Text(DeviceCombo), shown) << c.name;
  }
}

TEST(ControlModel, InsertStringPutsTheEntryWhereAskedWithoutSorting) {
  ControlModel model = WithEntries(DeviceCombo, {"c", "m"});
  model.SetCurSel(DeviceCombo, 1);
  EXPECT_EQ(model.InsertString(DeviceCombo, 0, "z"), 0);
  EXPECT_EQ(model.InsertString(DeviceCombo, -1, "a"), 3);
  EXPECT_EQ(model.InsertString(DeviceCombo, 5, "b"), kNoSelection);
  EXPECT_EQ(model.Items(DeviceCombo), (std::vector<std::string>{"z", "c", "m", "a"}));
  EXPECT_EQ(model.GetCurSel(DeviceCombo), 2);
  EXPECT_EQ(model.Text(DeviceCombo), "m");
}

TEST(ControlModel, SetCurSelShowsAValidEntryAndClearsOtherwise) {
  const struct {
    int index;
    int selection;
    const char* text;
  } cases[] = {{0, 0, "alpha"}, {1, 1, "beta"}, {-1, kNoSelection, ""}, {2, kNoSelection, ""}};
  for (const auto& c : cases) {
    ControlModel model = WithEntries(DeviceCombo, {"alpha", "beta"});
    model.SetText(DeviceCombo, "typed");
    model.SetCurSel(DeviceCombo, c.index);
    EXPECT_EQ(model.GetCurSel(DeviceCombo), c.selection) << c.index;
    EXPECT_EQ(model.Text(DeviceCombo), c.text) << c.index;
    EXPECT_EQ(model.ItemText(DeviceCombo, c.index), c.text) << c.index;
  }
}

struct SearchCase {
  const char* name;
  Entries entries;
  int start;  // FindString only
  const char* prefix;
  int expected;
};

TEST(ControlModel, SelectStringTakesTheFirstEntryFromTheTopThatBeginsWithThePrefix) {
  const SearchCase cases[] = {
      {"whole entry", {"Add the name", "Named"}, 0, "Named", 1},
      {"prefix", {"Add the name", "Named"}, 0, "Add", 0},
      {"case-insensitive", {"Add the name", "Named"}, 0, "nAMED", 1},
      {"first of equal entries", {"Named", "Named"}, 0, "Named", 0},
      {"empty prefix", {"b", "c"}, 0, "", 0},
      {"longer than the entry", {"Named"}, 0, "Named device", kNoSelection},
      {"no match", {"a", "b"}, 0, "z", kNoSelection},
      {"empty list", {}, 0, "", kNoSelection},
  };
  for (const auto& c : cases) {
    ControlModel model = WithEntries(DeviceCombo, c.entries);
    model.SetText(DeviceCombo, "before");
    EXPECT_EQ(model.SelectString(DeviceCombo, c.prefix), c.expected) << c.name;
    EXPECT_EQ(model.GetCurSel(DeviceCombo), c.expected) << c.name;
    const std::string shown =
        c.expected == kNoSelection ? "before" : model.ItemText(DeviceCombo, c.expected);
    EXPECT_EQ(model.Text(DeviceCombo), shown) << c.name;
  }
}

TEST(ControlModel, FindStringSearchesAfterTheStartAndWrapsRound) {
  const SearchCase cases[] = {
      {"from the top", {"A1", "A2"}, -1, "A", 0},
      {"start 0 tries the second entry first", {"A1", "A2"}, 0, "A", 1},
      {"wraps to the top", {"X", "Y", "Z"}, 1, "X", 0},
      {"the start entry is tried last", {"X", "Y"}, 0, "X", 0},
      {"start past the end searches from the top", {"A1", "A2"}, 2, "A", 0},
      {"another negative start searches from the top", {"A1", "A2"}, -5, "A", 0},
      {"case-insensitive", {"/DEV/HIDRAW0#VID_0483"}, 0, "/dev/hidraw0", 0},
      {"no match", {"X", "Y"}, 0, "Q", kNoSelection},
      {"empty list", {}, -1, "", kNoSelection},
  };
  for (const auto& c : cases) {
    const ControlModel model = WithEntries(DevicePathList, c.entries);
    EXPECT_EQ(model.FindString(DevicePathList, c.start, c.prefix), c.expected) << c.name;
  }
}

// The position set before SetRange, where it stands after SetRange, and after one StepIt.
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
  void (*change)(ControlModel&);
  std::vector<Control> notified;
};

// Every case starts from: combo "a", "b" with "b" selected; PathEdit " "; progress 0..10 at 5.
TEST(ControlModelObserver, HearsOfEachChangeAndOfNothingElse) {
  using M = ControlModel&;
  const ObserverCase cases[] = {
      {"text", [](M m) { m.SetText(PathEdit, "x"); }, {PathEdit}},
      {"same text", [](M m) { m.SetText(PathEdit, " "); }, {}},
      {"enable", [](M m) { m.Enable(CancelButton, false); }, {CancelButton}},
      {"same enabled state", [](M m) { m.Enable(CancelButton, true); }, {}},
      {"entry", [](M m) { m.AddString(DevicePathList, "p"); }, {DevicePathList}},
      {"inserted entry", [](M m) { m.InsertString(DeviceCombo, 0, "c"); }, {DeviceCombo}},
      {"reset", [](M m) { m.ResetContent(DeviceCombo); }, {DeviceCombo}},
      {"reset of an empty list", [](M m) { m.ResetContent(DevicePathList); }, {}},
      {"selection", [](M m) { m.SetCurSel(DeviceCombo, 0); }, {DeviceCombo}},
      {"same selection", [](M m) { m.SetCurSel(DeviceCombo, 1); }, {}},
      {"select by prefix", [](M m) { m.SelectString(DeviceCombo, "A"); }, {DeviceCombo}},
      {"prefix without match", [](M m) { m.SelectString(DeviceCombo, "z"); }, {}},
      {"position", [](M m) { m.SetPos(6); }, {ProgressBar}},
      {"same position", [](M m) { m.SetPos(5); }, {}},
      {"narrower range", [](M m) { m.SetRange(0, 5); }, {ProgressBar}},
      {"same range", [](M m) { m.SetRange(0, 10); }, {}},
      {"step it", [](M m) { m.StepIt(); }, {ProgressBar}},
      {"zero step",
       [](M m) {
         m.SetStep(0);
         m.StepIt();
       },
       {ProgressBar}},
  };
  for (const auto& c : cases) {
    ControlModel model;
    model.AddString(DeviceCombo, "a");
    model.AddString(DeviceCombo, "b");
    model.SetCurSel(DeviceCombo, 1);
    model.SetText(PathEdit, " ");
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
