#include "platform/win32/wide_text.h"

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const auto length = static_cast<int>(utf8.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const auto length = static_cast<int>(utf16.size());
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, narrow.data(), bytes, nullptr, nullptr);
  }
  return narrow;
}

}  // namespace kr55le::win32
