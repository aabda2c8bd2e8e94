// The hold on a shutdown or log-off as a window takes it on Windows: while it lives, the window
// answers WM_QUERYENDSESSION with FALSE, and the system lists the reason beside the window's
// name when it asks the user whether to shut down anyway.
#pragma once

#include "platform/win32/windows_headers.h"

#include <memory>

#include "window/system_hold.h"

namespace kr55le::win32 {

// Null without a window. Take and end it on the window's thread.
std::unique_ptr<SystemHold> TakeShutdownBlock(HWND window);
// What `window` answers WM_QUERYENDSESSION with: FALSE while a block on it lives.
BOOL EndSessionAllowed(HWND window);

}  // namespace kr55le::win32
