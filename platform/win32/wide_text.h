// The program's texts are UTF-8; the system's wide-character calls take and give UTF-16. These
// convert at that edge, whatever the process's ANSI code page is.
#pragma once

#include <string>
#include <string_view>

namespace kr55le::win32 {

// Bytes that are not UTF-8 become U+FFFD, as the system's conversion makes them.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD. (A file's name may hold one: such a name then opens no file,
// see SystemFileName in image/utf8_file.h, rather than the one whose name has U+FFFD there.)
std::string Narrow(std::wstring_view utf16);

}  // namespace kr55le::win32
