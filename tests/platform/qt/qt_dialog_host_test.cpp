#include "platform/qt/qt_dialog_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/qt/control_widgets.h"
#include "res/names.h"
#include "res/strings.h"
#include "tests/support/host_behaviour.h"

namespace kr55le::qt {
namespace {

using kr55le::testing::kScriptDone;
using kr55le::testing::Received;

struct QtDriver {
  QtDriver(ControlModel& model, hid::HidServices* services) : host(model, services) {}
  DialogHost& Host() { return host; }
  QtDialogHost host;
};

// Runs `action` on the first top-level widget of the given class once the event loop (of the
// modal box that is about to open) runs.
template <typename WidgetClass, typename Action>
void WhenShown(Action action) {
  QTimer::singleShot(0, [action] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* found = qobject_cast<WidgetClass*>(widget);
      if (found != nullptr && found->isVisible()) {
        action(*found);
        return;
      }
    }
  });
}

class QtDialogHostTest : public ::testing::Test {
 protected:
  // Runs the dialog modally with `script` run inside its modal loop; then the dialog ends.
  int RunWithScript(std::function<void()> script) {
    dialog.react = [this, script = std::move(script)](Received message) {
      if (message != Received::InitDialog) return;
      QTimer::singleShot(0, &host.Window(), [this, script] {
        script();
        host.EndDialog(kScriptDone);
      });
    };
    return host.RunModal(dialog);
  }

  void Click(Control control) { QTest::mouseClick(host.Window().Widget(control), Qt::LeftButton); }

  ControlModel model;
  QtDialogHost host{model};
  testing::RecordingDialog dialog;
};

TEST_F(QtDialogHostTest, ShowsTheWindowOnlyAfterOnInitDialogAndReturnsTheEndResult) {
  bool visibleDuringInit = true;
  bool visibleInLoop = false;
  dialog.react = [&](Received message) {
    if (message != Received::InitDialog) return;
    visibleDuringInit = host.Window().isVisible();
    QTimer::singleShot(0, &host.Window(), [&] {
      visibleInLoop = host.Window().isVisible();
      host.EndDialog(kIdCancel);
    });
  };
  EXPECT_EQ(host.RunModal(dialog), kIdCancel);
  EXPECT_FALSE(visibleDuringInit);
  EXPECT_TRUE(visibleInLoop);
  EXPECT_FALSE(host.Window().isVisible());
}

TEST_F(QtDialogHostTest, AClickReachesItsHandlerOnlyWhenEventsAreProcessed) {
  std::vector<Received> beforePump;
  RunWithScript([&] {
    Click(Control::UpgradeButton);  // disabled
    Click(Control::BrowseButton);
    beforePump = dialog.SinceInit();
    host.PumpMessages();
  });
  EXPECT_TRUE(beforePump.empty());
  EXPECT_EQ(dialog.SinceInit(), std::vector{Received::BrowseFile});
}

TEST_F(QtDialogHostTest, EnterReachesOnOkOnlyWhilePathEditIsEnabled) {
  auto* path = qobject_cast<QPlainTextEdit*>(host.Window().Widget(Control::PathEdit));
  RunWithScript([&] {
    path->setFocus();
    QTest::keyClicks(path, "/tmp/Image.bin");
    QTest::keyClick(path, Qt::Key_Return);
    host.PumpMessages();
    model.Enable(Control::PathEdit, false);
    QTest::keyClick(host.Window().Widget(Control::SerialNumberField), Qt::Key_Enter);
    host.PumpMessages();
  });
  EXPECT_EQ(dialog.SinceInit(), std::vector{Received::Ok});
  EXPECT_EQ(model.Text(Control::PathEdit), "/tmp/Image.bin");  // no line break
}

TEST_F(QtDialogHostTest, EnterOnAFocusedButtonIsThatButtonsClick) {
  RunWithScript([&] {
    host.Window().Widget(Control::BrowseButton)->setFocus();
    QTest::keyClick(host.Window().Widget(Control::BrowseButton), Qt::Key_Return);
    host.PumpMessages();
  });
  EXPECT_EQ(dialog.SinceInit(), std::vector{Received::BrowseFile});
}

TEST_F(QtDialogHostTest, EscapeAndTheCloseBoxReachOnCancel) {
  bool visibleAfterClose = false;
  RunWithScript([&] {
    QTest::keyClick(host.Window().Widget(Control::SerialNumberField), Qt::Key_Escape);
    host.Window().close();
    host.PumpMessages();
    visibleAfterClose = host.Window().isVisible();
  });
  EXPECT_EQ(dialog.SinceInit(), (std::vector{Received::Cancel, Received::Cancel}));
  EXPECT_TRUE(visibleAfterClose);  // only the dialog ends itself
}

TEST_F(QtDialogHostTest, HandlersNestInsideAPumpedWaitAndTheWindowStaysUntilTheyReturn) {
  model.Enable(Control::UpgradeButton, true);
  int depth = 0;
  int cancelDepth = 0;
  bool visibleAfterEnd = false;
  dialog.react = [&](Received message) {
    if (message == Received::InitDialog) {
      QTimer::singleShot(0, &host.Window(), [&] { Click(Control::UpgradeButton); });
    } else if (message == Received::Upgrade) {
      ++depth;
      host.Window().close();
      host.PumpMessages();  // a wait for the device
      visibleAfterEnd = host.Window().isVisible();
      --depth;
    } else if (message == Received::Cancel) {
      cancelDepth = depth;
      host.EndDialog(kIdCancel);
    }
  };
  EXPECT_EQ(host.RunModal(dialog), kIdCancel);
  EXPECT_EQ(cancelDepth, 1);
  EXPECT_TRUE(visibleAfterEnd);
  EXPECT_FALSE(host.Window().isVisible());
}

TEST_F(QtDialogHostTest, MessageBoxHasTheApplicationsNameAsCaptionAndAnOkButton) {
  QString caption;
  QString shown;
  WhenShown<QMessageBox>([&](QMessageBox& box) {
    caption = box.windowTitle();
    shown = box.text();
    box.button(QMessageBox::Ok)->click();
  });
  host.MessageBox(text::kFileOpenFail);
  EXPECT_EQ(caption, ToQString(name::kApplicationName));
  EXPECT_EQ(shown, ToQString(text::kFileOpenFail));
}

using OpenFileDialogTest = QtDialogHostTest;
const OpenFileRequest kRequest{text::kOpenDialogTitle, text::kOpenDialogFilter,
                               name::kOpenDialogDefaultExtension};

TEST_F(OpenFileDialogTest, GivesTheChosenPathWithTheTitleAndFilterOfTheRequest) {
  QTemporaryDir folder;
  const QString file = folder.filePath("KR55le-Image.bin");
  QFile(file).open(QIODevice::WriteOnly);
  QString title;
  QStringList filters;
  WhenShown<QFileDialog>([&](QFileDialog& dialogWindow) {
    title = dialogWindow.windowTitle();
    filters = dialogWindow.nameFilters();
    dialogWindow.selectFile(file);
    static_cast<QDialog&>(dialogWindow).accept();  // public there
  });
  EXPECT_EQ(host.OpenFileDialog(kRequest), QFile::encodeName(file).toStdString());
  EXPECT_EQ(title, ToQString(text::kOpenDialogTitle));
  EXPECT_EQ(filters, QStringList{"Bin Files: (*.bin)"});
}

}  // namespace
}  // namespace kr55le::qt

// The shared host suites are instantiated where they were declared.
namespace kr55le::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, HostBehaviourTest, ::testing::Types<qt::QtDriver>);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, HostNoticeDescriptorTest, ::testing::Types<qt::QtDriver>);
}  // namespace kr55le::testing
