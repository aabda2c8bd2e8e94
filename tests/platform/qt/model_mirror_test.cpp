#include "platform/qt/model_mirror.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include "dialog/path_display.h"
#include "platform/qt/control_widgets.h"
#include "platform/qt/qt_dialog_host.h"
#include "res/strings.h"

namespace kr55le::qt {
namespace {

class ModelMirrorTest : public testing::Test {
 protected:
  template <typename WidgetClass>
  WidgetClass* WidgetOf(Control control) {
    return qobject_cast<WidgetClass*>(host.Window().Widget(control));
  }

  ControlModel model;
  QtDialogHost host{model};
};

TEST_F(ModelMirrorTest, ShowsTextsAndEnabledStates) {
  model.SetText(Control::SerialNumberField, "KR55LE0001");
  model.SetText(Control::PercentEdit, "40 %");
  model.Enable(Control::BrowseButton, false);
  model.Enable(Control::CancelButton, true);
  EXPECT_EQ(WidgetOf<QLineEdit>(Control::SerialNumberField)->text(), "KR55LE0001");
  EXPECT_EQ(WidgetOf<QLineEdit>(Control::PercentEdit)->text(), "40 %");
  EXPECT_FALSE(host.Window().Widget(Control::BrowseButton)->isEnabled());
  EXPECT_TRUE(host.Window().Widget(Control::CancelButton)->isEnabled());
}

TEST_F(ModelMirrorTest, ShowsComboEntriesAndTheSelectionOrATextWithoutAMatchingEntry) {
  model.AddString(Control::DeviceCombo, text::kDeviceEntryNamed);
  model.AddString(Control::DeviceCombo, text::kDeviceEntryUnnamed);
  model.SetCurSel(Control::DeviceCombo, 1);
  auto* combo = WidgetOf<QComboBox>(Control::DeviceCombo);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), ToQString(text::kDeviceEntryUnnamed));
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(combo->currentText(), ToQString(text::kDeviceEntryNamed));

  model.SetText(Control::DeviceCombo, "Another device");
  EXPECT_EQ(combo->currentIndex(), kNoSelection);
  EXPECT_EQ(combo->placeholderText(), "Another device");
}

// An empty range must not turn the bar into a busy indicator.
TEST_F(ModelMirrorTest, ShowsProgressRangeAndPositionNeverAsABusyIndicator) {
  model.SetRange(0, 9);
  model.SetStep(1);
  model.SetPos(3);
  model.StepIt();
  auto* bar = WidgetOf<QProgressBar>(Control::ProgressBar);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 9);
  EXPECT_EQ(bar->value(), 4);

  model.SetRange(0, 0);
  EXPECT_LT(bar->minimum(), bar->maximum());
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(ModelMirrorTest, ShowsPathLineBreaksAsLinesAndKeepsThemInTheModel) {
  host.Window().show();
  model.SetText(Control::PathEdit, "/first/part\r\n/second");
  auto* path = WidgetOf<QPlainTextEdit>(Control::PathEdit);
  EXPECT_EQ(path->blockCount(), 2);
  path->moveCursor(QTextCursor::End);
  QTest::keyClicks(path, "Part");
  EXPECT_EQ(model.Text(Control::PathEdit), "/first/part\r\n/secondPart");
}

TEST_F(ModelMirrorTest, ALongPathOfAnyLettersSurvivesAnEditAndNamesTheSameFile) {
  host.Window().show();
  std::string chosen = "/home/";
  for (int i = 0; i < 40; ++i) chosen += "\xC3\xA9\xE6\x97\xA5";  // two- and three-byte letters
  chosen += "/image.bin";
  model.SetText(Control::PathEdit, BreakPathForDisplay(chosen));
  auto* path = WidgetOf<QPlainTextEdit>(Control::PathEdit);
  path->setFocus();
  path->moveCursor(QTextCursor::End);
  QTest::keyClicks(path, "x");
  QTest::keyClick(path, Qt::Key_Backspace);
  EXPECT_EQ(PathFromDisplay(model.Text(Control::PathEdit)), chosen);
}

TEST_F(ModelMirrorTest, PassesAComboChoiceToTheModel) {
  host.Window().show();
  model.AddString(Control::DeviceCombo, text::kDeviceEntryUnnamed);
  model.AddString(Control::DeviceCombo, text::kDeviceEntryNamed);
  model.SetCurSel(Control::DeviceCombo, 0);
  QTest::keyClick(host.Window().Widget(Control::DeviceCombo), Qt::Key_Down);
  EXPECT_EQ(model.GetCurSel(Control::DeviceCombo), 1);
  EXPECT_EQ(model.Text(Control::DeviceCombo), text::kDeviceEntryNamed);
}

}  // namespace
}  // namespace kr55le::qt
