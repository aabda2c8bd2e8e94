// Files named as the program keeps every text, in UTF-8. On Windows the name goes to the C
// runtime's wide-character calls, so that any name opens, whatever the ANSI code page is.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kr55le {

// For the standard library's streams, which take a path in the system's own characters.
inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// std::fopen with a UTF-8 name; `mode` is plain ASCII ("rb", "wb").
inline std::FILE* OpenUtf8File(std::string_view utf8, std::string_view mode) {
#ifdef _WIN32
  return ::_wfopen(Utf8Path(utf8).c_str(), std::wstring(mode.begin(), mode.end()).c_str());
#else
  return std::fopen(std::string(utf8).c_str(), std::string(mode).c_str());
#endif
}

}  // namespace kr55le
