// The application: start-up with its single-instance guard, then the main dialog, modally.
#pragma once

#include <functional>

#include "window/dialog_host.h"
#include "window/startup_services.h"

namespace kr55le {

class CFlashwellApp {
 public:
  // `runDialog` constructs the main dialog and runs it modally through the host.
  CFlashwellApp(StartupServices& startup, DialogHost& host, std::function<void()> runDialog);
  // Always false: the process ends when it returns.
  bool InitInstance();

 private:
  StartupServices& startup_;
  DialogHost& host_;
  std::function<void()> runDialog_;
};

}  // namespace kr55le
