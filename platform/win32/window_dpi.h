// The DPI a window is drawn at, on every Windows since 7 SP1: the window's own where the system
// has per-window DPI (GetDpiForWindow, Windows 10 1607), the system DPI before that.
#pragma once

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {

// GetDpiForWindow when user32 has it, else the screen's LOGPIXELSX; 0 when neither answers.
UINT WindowDpi(HWND window);

}  // namespace kr55le::win32
