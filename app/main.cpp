// kr55le-upgrade: the utility's window on the kernel's hidraw devices.
#include <QApplication>

#include "app/window_main.h"
#include "platform/linux/hidraw_services.h"
#include "res/strings.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName(QString::fromUtf8(kr55le::text::kApplicationName.data(),
                                                   kr55le::text::kApplicationName.size()));
  kr55le::LinuxHidServices hid;
  return kr55le::RunUpgradeWindow(hid, kr55le::text::kSingleInstanceName);
}
