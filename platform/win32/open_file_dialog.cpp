#include "platform/win32/open_file_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"

namespace kr55le::win32 {
namespace {

constexpr char kFilterSeparator = '|';
// Room for long paths; the system says when a choice does not fit.
constexpr DWORD kPathCapacity = 32768;

}  // namespace

std::string ToSystemFilter(std::string_view filter) {
  std::string converted(filter);
  std::replace(converted.begin(), converted.end(), kFilterSeparator, '\0');
  // Two zeros end the list, whether or not the last pattern ended in a separator.
  while (converted.size() < 2 || converted[converted.size() - 1] != '\0' ||
         converted[converted.size() - 2] != '\0') {
    converted.push_back('\0');
  }
  return converted;
}

std::optional<std::string> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request) {
  // Wide: the chosen name comes back whole whatever the ANSI code page lacks of it.
  const std::wstring filter = Widen(ToSystemFilter(request.filter));
  const std::wstring title = Widen(request.title);
  std::vector<wchar_t> path(kPathCapacity, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrTitle = title.c_str();
  // The default extension ("*.*") names no suffix to add, so the system is given none.
  dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!::GetOpenFileNameW(&dialog)) return std::nullopt;
  return Narrow(path.data());
}

}  // namespace kr55le::win32
