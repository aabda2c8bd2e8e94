#include "app/flashwell_app.h"

#include "res/names.h"
#include "res/strings.h"

namespace kr55le {

CFlashwellApp::CFlashwellApp(StartupServices& startup, DialogHost& host,
                             std::function<void()> runDialog)
    : startup_(startup), host_(host), runDialog_(std::move(runDialog)) {}

bool CFlashwellApp::InitInstance() {
  startup_.BeginWaitCursor();
  if (startup_.CreateInstanceMarker(name::kSingleInstanceName) == InstanceMarker::OtherRunning) {
    startup_.ShowWindowNamed(name::kOtherInstanceWindowName);
    return false;
  }
  if (!startup_.InitSockets()) {
    host_.MessageBox(text::kSocketsInitFailed);
    return false;
  }
  startup_.EnableControlContainer();
  runDialog_();
  return false;
}

}  // namespace kr55le
