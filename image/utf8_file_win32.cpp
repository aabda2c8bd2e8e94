// The Windows half of utf8_file.h.
#include "image/utf8_file.h"

#include <windows.h>

#include <algorithm>

namespace kr55le {
namespace {

constexpr wchar_t kReplacement = L'\xFFFD';
constexpr std::wstring_view kLocalPrefix = L"\\\\?\\";     // \\?\ C:\...
constexpr std::wstring_view kUncPrefix = L"\\\\?\\UNC\\";  // \\?\UNC\server\share\...
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";    // \\.\NUL, \\.\COM1, ...
constexpr std::wstring_view kUncStart = L"\\\\";

std::wstring StrictWiden(std::string_view utf8) {
  const auto length = static_cast<int>(utf8.size());
  const int units =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), units);
  return wide;
}

std::wstring FullPath(const std::wstring& name) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // the room it asks for, its terminating zero included
  }
}

}  // namespace

std::wstring SystemFileName(std::string_view utf8) {
  if (utf8.empty() || utf8.find('\0') != std::string_view::npos) return {};
  std::wstring name = StrictWiden(utf8);
  if (name.empty() || name.find(kReplacement) != std::wstring::npos) return {};
  if (name.starts_with(kLocalPrefix) || name.starts_with(kDevicePrefix)) return name;
  const std::wstring full = FullPath(name);
  if (full.size() < MAX_PATH || full.starts_with(kLocalPrefix) || full.starts_with(kDevicePrefix)) {
    return name;
  }
  if (full.starts_with(kUncStart)) return std::wstring(kUncPrefix) + full.substr(kUncStart.size());
  return std::wstring(kLocalPrefix) + full;
}

}  // namespace kr55le
