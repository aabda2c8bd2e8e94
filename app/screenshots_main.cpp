// kr55le-screenshots FOLDER IMAGE: the window's pictures for the documentation, from the real
// dialog over a simulated device: started with no device, then an upgrade of IMAGE half done and
// completed. Not installed; scripts/screenshots writes them into docs/.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "platform/qt/qt_dialog_host.h"
#include "res/language.h"
#include "sim/sim_hid_services.h"

int main(int argc, char** argv) {
  using namespace kr55le;
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: kr55le-screenshots FOLDER IMAGE\n");
    return 2;
  }
  // The pictures of another language: LANGUAGE=de scripts/screenshots.
  i18n::UseLanguage(i18n::ChooseLanguage(i18n::PosixLanguageWishes()));
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  ControlModel controls;
  sim::SimHidServices hid;
  qt::QtDialogHost host(controls, &hid);
  ReportLink link;
  bool saved = true;
  const auto save = [&](const char* name) {
    saved = host.Window().grab().save(folder.filePath(QString::fromLatin1(name)), "PNG") && saved;
  };

  CFlashwellDlg dialog(host, controls, hid, link);
  dialog.OnInitDialog();
  save("window-no-device.png");

  hid.Plug();
  dialog.OnDeviceChange(hid::DeviceChange::Arrival);
  dialog.ImagePath = argv[2];
  controls.SetText(Control::PathEdit, argv[2]);
  // Looked at in every pump of the transfer.
  QTimer halfway;
  QObject::connect(&halfway, &QTimer::timeout, [&] {
    if (controls.GetPos() * 2 < controls.RangeMaximum()) return;
    halfway.stop();
    save("window-upgrading.png");
  });
  halfway.start(0);
  dialog.OnUpgrade();
  save("window-upgrade-completed.png");
  hid.RegisterNotices(nullptr);

  if (!saved) {
    std::fprintf(stderr, "kr55le-screenshots: cannot write the pictures into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
