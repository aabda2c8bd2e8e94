// What start-up asks of the platform before the dialog runs.
#pragma once

#include <string_view>

namespace kr55le {

enum class InstanceMarker { First, OtherRunning };

class StartupServices {
 public:
  virtual ~StartupServices() = default;
  virtual void BeginWaitCursor() = 0;
  // Creates the single-instance marker, which lives until the process ends. A marker that
  // cannot be created counts as First.
  virtual InstanceMarker CreateInstanceMarker(std::string_view name) = 0;
  // Brings forward a window of that name, if there is one.
  virtual void ShowWindowNamed(std::string_view windowName) = 0;
  virtual bool InitSockets() = 0;
  virtual void EnableControlContainer() = 0;
};

}  // namespace kr55le
