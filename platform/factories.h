// What the executables ask of the system they are built for. Each platform's folder implements
// it, and cmake/Platform.cmake picks the one that is built, so that no main names a system.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/report_link.h"
#include "hid/hid_services.h"
#include "window/control_model.h"
#include "window/dialog_host.h"
#include "window/startup_services.h"
#include "window/system_hold.h"

namespace kr55le::platform {

// The program's arguments after its name, in UTF-8, whatever the system's code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The user's languages as the system keeps them, most wished first ("de-DE", "fr_FR.UTF-8").
std::vector<std::string> LanguageWishes();

// The system's HID devices.
std::unique_ptr<hid::HidServices> MakeHidServices();
// The dialog's report link: its workers on threads, or where the program has none (the page),
// run by the dialog host.
std::unique_ptr<ReportLink> MakeReportLink();

// A hold on sleep for a transfer; null when the system gives none (said on stderr if so).
std::unique_ptr<SystemHold> HoldSystemAwake();

// The terminal. Lines end in '\n' alone on every system, so that scripts read the same bytes.
void UseBinaryOutput();
bool IsTerminal(std::FILE* stream);
// Whether the stream is a terminal that moves its cursor on VT100 sequences (and is asked to).
bool CursorMoves(std::FILE* stream);

// The window toolkit for the whole run. Made before anything else, as it may take its own
// options out of the arguments.
class WindowToolkit {
 public:
  virtual ~WindowToolkit() = default;
};
std::unique_ptr<WindowToolkit> StartWindowToolkit(int& argc, char** argv);

// The window that renders the control model, and the start-up services around it.
std::unique_ptr<DialogHost> MakeDialogHost(ControlModel& controls, hid::HidServices& hid);
std::unique_ptr<StartupServices> MakeStartupServices(std::string_view instanceName);

}  // namespace kr55le::platform
