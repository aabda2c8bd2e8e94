// The window on Linux: the Qt dialog, with the single-instance lock and logind's hold.
#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include "platform/factories.h"
#include "platform/linux/logind_hold.h"
#include "platform/linux/single_instance.h"
#include "platform/qt/qt_dialog_host.h"
#include "res/names.h"

namespace kr55le::platform {
namespace {

class QtToolkit final : public WindowToolkit {
 public:
  QtToolkit(int& argc, char** argv) : application_(argc, argv) {
    QApplication::setApplicationName(
        QString::fromUtf8(name::kApplicationName.data(), name::kApplicationName.size()));
  }

 private:
  QApplication application_;
};

class DesktopStartup final : public StartupServices {
 public:
  explicit DesktopStartup(std::string_view instanceName) : instanceName_(instanceName) {}

  void BeginWaitCursor() override {
    // The wait cursor covers the first scan; it goes once the window's own loop runs.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QTimer::singleShot(0, [] { QGuiApplication::restoreOverrideCursor(); });
  }
  InstanceMarker CreateInstanceMarker(std::string_view) override {
    return AcquireSingleInstance(instanceName_) == InstanceLock::OtherRunning
               ? InstanceMarker::OtherRunning
               : InstanceMarker::First;
  }
  // No window of another program is brought forward here: the desktop has no such lookup.
  void ShowWindowNamed(std::string_view) override {}
  // Nothing to initialise on this platform; the step cannot fail.
  bool InitSockets() override { return true; }
  void EnableControlContainer() override {}

 private:
  std::string instanceName_;
};

}  // namespace

std::unique_ptr<WindowToolkit> StartWindowToolkit(int& argc, char** argv) {
  return std::make_unique<QtToolkit>(argc, argv);
}

std::unique_ptr<DialogHost> MakeDialogHost(ControlModel& controls, hid::HidServices& hid) {
  return std::make_unique<qt::QtDialogHost>(controls, &hid, [] { return TakeLogindHold(stderr); });
}

std::unique_ptr<StartupServices> MakeStartupServices(std::string_view instanceName) {
  return std::make_unique<DesktopStartup>(instanceName);
}

}  // namespace kr55le::platform
