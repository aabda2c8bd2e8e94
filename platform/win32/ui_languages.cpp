#include "platform/win32/ui_languages.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {

std::vector<std::string> PreferredUiLanguages() {
  ULONG count = 0;
  ULONG length = 0;
  if (!::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) {
    return {};
  }
  std::wstring names(length, L'\0');
  if (!::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) return {};
  // Each name ends in a zero, and the list in one more.
  std::vector<std::string> wishes;
  for (std::size_t start = 0; start < names.size() && names[start] != L'\0';) {
    const std::size_t end = names.find(L'\0', start);
    wishes.push_back(Narrow(std::wstring_view(names).substr(start, end - start)));
    start = end + 1;
  }
  return wishes;
}

}  // namespace kr55le::win32
