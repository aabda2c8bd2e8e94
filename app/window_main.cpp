#include "app/window_main.h"

#include <QGuiApplication>
#include <QTimer>

#include "app/run_application.h"
#include "platform/linux/logind_hold.h"
#include "platform/linux/single_instance.h"
#include "platform/qt/qt_dialog_host.h"
#include "platform/window/control_model.h"

namespace kr55le {
namespace {

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
  std::string_view instanceName_;
};

}  // namespace

int RunUpgradeWindow(hid::HidServices& hid, std::string_view instanceName) {
  ControlModel controls;
  qt::QtDialogHost host(controls, &hid, [] { return TakeLogindHold(stderr); });
  DesktopStartup startup(instanceName);
  RunApplication(startup, host, controls, hid);
  return 0;
}

}  // namespace kr55le
