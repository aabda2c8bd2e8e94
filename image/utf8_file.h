// Files named as the program keeps every text, in UTF-8. On Windows the name goes to the C
// runtime's wide-character calls, so that any name opens, whatever the ANSI code page is, and a
// long one in the form that lifts the system's MAX_PATH limit.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <cerrno>
#endif

namespace kr55le {

// For the standard library's streams, which take a path in the system's own characters.
inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

#ifdef _WIN32
// The name as the system's wide-character file calls take it. A name whose full path
// (GetFullPathNameW: absolute, backslashes, "." and ".." resolved) has MAX_PATH characters or
// more is given as that full path after \\?\ (\\?\UNC\ for \\server\share), which every Windows
// since 7 opens at any length, whether or not it reads the manifest's longPathAware; a shorter
// one goes as it is.
//
// Empty for a name that no file has as the program got it: not UTF-8, with a zero inside, or
// with U+FFFD. The names come from the system in UTF-16, and win32::Narrow makes an unpaired
// surrogate, which a file's name may hold, U+FFFD: opening that would open another file, or
// none, so the name opens no file at all.
std::wstring SystemFileName(std::string_view utf8);
#endif

// std::fopen with a UTF-8 name; `mode` is plain ASCII ("rb", "wb").
inline std::FILE* OpenUtf8File(std::string_view utf8, std::string_view mode) {
#ifdef _WIN32
  const std::wstring name = SystemFileName(utf8);
  if (name.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return ::_wfopen(name.c_str(), std::wstring(mode.begin(), mode.end()).c_str());
#else
  return std::fopen(std::string(utf8).c_str(), std::string(mode).c_str());
#endif
}

}  // namespace kr55le
