#include "platform/win32/window_dpi.h"

namespace kr55le::win32 {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up at run time: a static import of it would keep the executables from starting on
// Windows 7, 8, 8.1 and 10 before 1607.
GetDpiForWindowFunction FindGetDpiForWindow() {
  HMODULE user32 = ::GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")));
}

// Without per-window DPI the dialog manager lays out every dialog at the system DPI.
UINT SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return 0;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 0;
}

}  // namespace

UINT WindowDpi(HWND window) {
  static const GetDpiForWindowFunction getDpiForWindow = FindGetDpiForWindow();
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi > 0) return dpi;
  }
  return SystemDpi();
}

}  // namespace kr55le::win32
