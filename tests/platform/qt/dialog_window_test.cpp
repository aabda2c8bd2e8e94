#include "platform/qt/dialog_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "platform/qt/control_widgets.h"
#include "res/dialog_template.h"
#include "res/strings.h"

namespace kr55le::qt {
namespace {

using dialog_template::RunTimeControls;
using dialog_template::TemplateControls;

struct DialogWindowTest : testing::Test {
  DialogWindowTest() { window.show(); }
  DialogWindow window;
};

TEST_F(DialogWindowTest, HasTheTitleAndAFixedClientSizeOfTheTemplate) {
  EXPECT_EQ(window.windowTitle(), ToQString(text::kDialogTitle));
  EXPECT_EQ(window.size(), QSize(725, 284));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
}

TEST_F(DialogWindowTest, PlacesEveryTemplateControlAtItsConvertedRectangleWithItsText) {
  ASSERT_EQ(window.TemplateWidgets().size(), TemplateControls().size());
  for (std::size_t index = 0; index < TemplateControls().size(); ++index) {
    const dialog_template::TemplateControl& row = TemplateControls()[index];
    const QWidget* widget = window.TemplateWidgets()[index];
    EXPECT_EQ(widget->geometry(), ToQRect(dialog_template::ToPixels(row.rect))) << index;
    // A button's, label's or line edit's text property; none for the other template widgets.
    EXPECT_EQ(widget->property("text").toString(), ToQString(row.text)) << index;
    EXPECT_EQ(widget->font(), TemplateFont()) << index;
    if (row.control) {
      EXPECT_EQ(window.Widget(*row.control), widget) << index;
    }
  }
}

TEST(TemplateFont, IsAtMostEightPointsAndNoWiderThanTheTemplatesCharacter) {
  const QFont font = TemplateFont();
  EXPECT_LE(font.pointSizeF(), dialog_template::kDialogFont.pointSize);
  EXPECT_LE(AverageCharacterWidth(font), dialog_template::kHorizontalUnitsPerCharacter *
                                             dialog_template::kPixelsPerHorizontalUnit);
}

TEST_F(DialogWindowTest, HidesTheListBoxAndKeepsTheGroupBoxBelowTheBottomEdge) {
  EXPECT_FALSE(window.Widget(Control::DevicePathList)->isVisible());
  EXPECT_TRUE(window.Widget(Control::DeviceCombo)->isVisible());
  const QWidget* groupBox = window.TemplateWidgets()[2];
  EXPECT_GE(groupBox->y(), window.height());
}

TEST_F(DialogWindowTest, MakesNoButtonADefaultButton) {
  for (Control control : {Control::BrowseButton, Control::UpgradeButton, Control::CancelButton}) {
    auto* button = qobject_cast<QPushButton*>(window.Widget(control));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->autoDefault());
    EXPECT_FALSE(button->isDefault());
  }
}

TEST_F(DialogWindowTest, PlacesTheRunTimeControlsAtTheirPixelRectanglesInTheSystemFont) {
  for (const dialog_template::RunTimeControl& row : RunTimeControls()) {
    const QWidget* widget = window.Widget(row.control);
    EXPECT_EQ(widget->geometry(), ToQRect(row.rect));
    EXPECT_EQ(widget->font(), QApplication::font());
  }
  EXPECT_NE(qobject_cast<QPlainTextEdit*>(window.Widget(Control::PathEdit)), nullptr);
  EXPECT_TRUE(qobject_cast<QLineEdit*>(window.Widget(Control::PercentEdit))->isReadOnly());
  EXPECT_TRUE(qobject_cast<QLineEdit*>(window.Widget(Control::MessageEdit))->isReadOnly());
  EXPECT_FALSE(qobject_cast<QProgressBar*>(window.Widget(Control::ProgressBar))->isTextVisible());
}

// The hidden list box is not among them: it is a window of its own that never opens.
TEST_F(DialogWindowTest, TabsThroughTheControlsInTemplateOrder) {
  std::vector<QWidget*> expected = window.TemplateWidgets();
  expected.insert(expected.end(), window.RunTimeWidgets().begin(), window.RunTimeWidgets().end());
  std::erase(expected, window.Widget(Control::DevicePathList));
  std::vector<QWidget*> chain;
  for (QWidget* widget = window.nextInFocusChain(); widget != &window;
       widget = widget->nextInFocusChain()) {
    if (std::find(expected.begin(), expected.end(), widget) != expected.end()) {
      chain.push_back(widget);
    }
  }
  EXPECT_EQ(chain, expected);
}

}  // namespace
}  // namespace kr55le::qt
