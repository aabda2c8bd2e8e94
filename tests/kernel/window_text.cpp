// Keeps FILE showing the texts the running window's controls show, one "ID<tab>TEXT" line each,
// so the VM's shell cases can read the window of another process. It runs until killed: under
// emulation a Wine program takes seconds to start, so one reader serves every look. FILE is
// replaced whole each time, and is empty while no such window is open; each change is also added
// to FILE.history with the milliseconds since the start, for a case that fails to show.
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/strings.h"

namespace {

constexpr int kTextCapacity = 4096;
constexpr DWORD kLookIntervalMs = 200;

BOOL CALLBACK AddControl(HWND control, LPARAM lines) {
  char text[kTextCapacity] = {};
  // WM_GETTEXT reaches another process's edit controls whole; GetWindowText would not.
  ::SendMessageA(control, WM_GETTEXT, kTextCapacity, reinterpret_cast<LPARAM>(text));
  *reinterpret_cast<std::string*>(lines) +=
      std::to_string(::GetDlgCtrlID(control)) + "\t" + text + "\n";
  return TRUE;
}

// Binary: the C runtime would end text-mode lines with CR LF.
bool Write(const std::string& path, const char* mode, const std::string& text) {
  std::FILE* stream = std::fopen(path.c_str(), mode);
  if (stream == nullptr) return false;
  std::fputs(text.c_str(), stream);
  return std::fclose(stream) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_text FILE\n");
    return 2;
  }
  const std::string title(kr55le::text::kDialogTitle);
  const std::string file(argv[1]);
  const std::string partial = file + ".partial";
  const DWORD start = ::GetTickCount();
  std::string shown;
  for (;;) {
    std::string lines;
    if (HWND window = ::FindWindowA(nullptr, title.c_str()); window != nullptr) {
      ::EnumChildWindows(window, AddControl, reinterpret_cast<LPARAM>(&lines));
    }
    if (lines != shown) {
      shown = lines;
      const std::string stamp = "at " + std::to_string(::GetTickCount() - start) + " ms\n";
      if (!Write(file + ".history", "ab", stamp + lines)) return 1;
    }
    if (!Write(partial, "wb", lines)) return 1;
    ::MoveFileExA(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    ::Sleep(kLookIntervalMs);
  }
}
