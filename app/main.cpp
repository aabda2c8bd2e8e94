// kr55le-upgrade: the utility's window on the system's HID devices (hidraw on Linux).
#ifndef _WIN32
#include <QApplication>
#endif

#include "app/window_main.h"
#include "res/strings.h"

#ifdef _WIN32
#include "platform/win32/win32_hid_services.h"

int main() {
  kr55le::win32::Win32HidServices hid;
  return kr55le::RunUpgradeWindow(hid, kr55le::text::kSingleInstanceName);
}
#else
#include "platform/linux/hidraw_services.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName(QString::fromUtf8(kr55le::text::kApplicationName.data(),
                                                   kr55le::text::kApplicationName.size()));
  kr55le::LinuxHidServices hid;
  return kr55le::RunUpgradeWindow(hid, kr55le::text::kSingleInstanceName);
}
#endif
