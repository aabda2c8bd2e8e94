// Prints the texts the running window's controls show, one "ID<tab>TEXT" line each, so the VM's
// shell cases can read the window of another process. Status 1 when no such window is open.
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/strings.h"

namespace {

constexpr int kTextCapacity = 4096;

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  char text[kTextCapacity] = {};
  // WM_GETTEXT reaches another process's edit controls whole; GetWindowText would not.
  ::SendMessageA(control, WM_GETTEXT, kTextCapacity, reinterpret_cast<LPARAM>(text));
  std::printf("%d\t%s\n", ::GetDlgCtrlID(control), text);
  return TRUE;
}

}  // namespace

int main() {
  const std::string title(kr55le::text::kDialogTitle);
  HWND window = ::FindWindowA(nullptr, title.c_str());
  if (window == nullptr) return 1;
  ::EnumChildWindows(window, PrintControl, 0);
  return 0;
}
