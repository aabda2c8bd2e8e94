// The real dialog in the Qt window over the simulated device: the started window with no
// device, then, once one is plugged in, an upgrade half done and finished, each written as a PNG
// into $KR55LE_SCREENSHOT_DIR (scripts/screenshots points it at docs/) or the current folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTimer>

#include "dialog/flashwell_dlg.h"
#include "platform/qt/qt_dialog_host.h"
#include "platform/sim/sim_hid_services.h"
#include "res/strings.h"
#include "tests/support/image_bytes.h"
#include "tests/support/temp_file.h"

namespace kr55le {
namespace {

QString ScreenshotPath(const char* name) {
  const QString folder = qEnvironmentVariableIsSet("KR55LE_SCREENSHOT_DIR")
                             ? qEnvironmentVariable("KR55LE_SCREENSHOT_DIR")
                             : QDir::currentPath();
  return QDir(folder).filePath(QString::fromLatin1(name));
}

constexpr qsizetype kFewestColoursOfAPicture = 16;

struct WindowScenario : ::testing::Test {
  ControlModel controls;
  sim::SimHidServices hid;
  qt::QtDialogHost host{controls, &hid};
  ReportLink link{LinkTiming{std::chrono::milliseconds(5), true}};

  void Save(const char* name) {
    const QString path = ScreenshotPath(name);
    ASSERT_TRUE(host.Window().grab().save(path, "PNG")) << path.toStdString();
    const QImage written(path);
    EXPECT_EQ(written.size(), host.Window().size());
    QSet<QRgb> colours;
    for (int y = 0; y < written.height(); ++y) {
      for (int x = 0; x < written.width(); ++x) colours.insert(written.pixel(x, y));
    }
    EXPECT_GT(colours.size(), kFewestColoursOfAPicture) << name;  // not a blank rectangle
  }
};

TEST_F(WindowScenario, EmptyWindowThenAnUpgradeHalfDoneAndFinished) {
  CFlashwellDlg dialog(host, controls, hid, link);
  dialog.OnInitDialog();
  EXPECT_EQ(controls.Text(Control::MessageEdit), text::kNoDeviceAttached);
  Save("window-no-device.png");

  const auto payload = std::vector<std::uint8_t>(40000, 0x3C);
  testing::TempFile image(testing::MakeImage("Pardo", "01.02.00", payload), "firmware.bin");
  const std::size_t device = hid.Plug();
  dialog.OnDeviceChange(hid::DeviceChange::Arrival);
  dialog.ImagePath = image.path();
  controls.SetText(Control::PathEdit, image.path());
  // Checked at every pump of the transfer.
  QTimer halfway;
  std::string shownHalfway;
  QObject::connect(&halfway, &QTimer::timeout, [&] {
    if (controls.GetPos() * 2 < controls.RangeMaximum()) return;
    halfway.stop();
    shownHalfway = controls.Text(Control::MessageEdit);
    Save("window-upgrading.png");
  });
  halfway.start(0);
  dialog.OnUpgrade();

  EXPECT_EQ(shownHalfway, text::kFirmwareUpgrading);
  EXPECT_EQ(controls.Text(Control::MessageEdit), text::kFirmwareCompleted);
  EXPECT_EQ(controls.Text(Control::PercentEdit), text::kPercentComplete);
  EXPECT_EQ(hid.AssembledImage(device), testing::WithFiller(payload));
  Save("window-upgrade-completed.png");
  hid.RegisterNotices(nullptr);
}

}  // namespace
}  // namespace kr55le
