// Start-up on Windows: the single-instance marker is a named semaphore in the logon's
// namespace, a second instance brings forward a window by its name, and the sockets layer is
// started (and stopped again when the services go).
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/unique_handle.h"
#include "window/startup_services.h"

namespace kr55le::win32 {

class Win32StartupServices final : public StartupServices {
 public:
  // `instanceName` names the semaphore (the demo's differs from the utility's).
  explicit Win32StartupServices(std::string_view instanceName);
  ~Win32StartupServices() override;
  Win32StartupServices(const Win32StartupServices&) = delete;
  Win32StartupServices& operator=(const Win32StartupServices&) = delete;

  void BeginWaitCursor() override;
  // The semaphore (count 0, maximum 1) stays open while the services live; only its name's
  // existence matters, so nothing ever waits on it.
  InstanceMarker CreateInstanceMarker(std::string_view name) override;
  void ShowWindowNamed(std::string_view windowName) override;
  bool InitSockets() override;
  void EnableControlContainer() override {}

 private:
  const std::string instanceName_;
  UniqueHandle marker_;
  bool socketsStarted_ = false;
};

}  // namespace kr55le::win32
