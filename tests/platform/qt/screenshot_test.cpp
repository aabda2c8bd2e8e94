// Renders the window in the state of a firmware upgrade under way and writes it as a PNG:
// to $KR55LE_SCREENSHOT when set (docs/window.png is made so), else window.png here.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QSet>

#include "platform/qt/qt_dialog_host.h"
#include "res/strings.h"

namespace kr55le::qt {
namespace {

constexpr int kSampleBlockCount = 2081;
constexpr int kSampleBlocksSent = 833;
constexpr int kFewestColoursOfARealPicture = 16;

void ShowSampleUpgrade(ControlModel& model) {
  model.AddString(Control::DeviceCombo, text::kDeviceEntryNamed);
  model.SetCurSel(Control::DeviceCombo, 0);
  model.AddString(Control::DevicePathList, "/DEV/HIDRAW2#VID_0483&PID_5750");
  model.SetText(Control::SerialNumberField, "KR5501234");
  model.SetText(Control::SoftwareVersionField, "01.02.00");
  model.SetText(Control::BootloaderField, "01.00.03");
  model.SetText(Control::UpgradeModeField, text::kModeFirmware);
  model.SetText(Control::FileVersionField, "01.03.00");
  model.SetText(Control::PathEdit, "/home/ana/Downloads/firmware-01.03.00.bin");
  model.SetText(Control::MessageEdit, text::kFirmwareUpgrading);
  model.SetRange(0, kSampleBlockCount);
  model.SetPos(kSampleBlocksSent);
  model.SetText(Control::PercentEdit, "40 %");
  model.Enable(Control::BrowseButton, false);
  model.Enable(Control::UpgradeButton, false);
  model.Enable(Control::CancelButton, true);
  model.Enable(Control::PathEdit, false);
}

int DistinctColours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return static_cast<int>(colours.size());
}

TEST(Screenshot, WritesThePictureOfTheWindowDuringAnUpgrade) {
  ControlModel model;
  QtDialogHost host(model);
  ShowSampleUpgrade(model);
  const QString path = qEnvironmentVariableIsSet("KR55LE_SCREENSHOT")
                           ? qEnvironmentVariable("KR55LE_SCREENSHOT")
                           : QStringLiteral("window.png");
  ASSERT_TRUE(host.Window().grab().save(path, "PNG"));

  const QImage written(path);
  EXPECT_EQ(written.size(), host.Window().size());
  EXPECT_GE(DistinctColours(written), kFewestColoursOfARealPicture);
}

}  // namespace
}  // namespace kr55le::qt
