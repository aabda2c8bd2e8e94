// Opening an image for reading only when it is a regular file: a directory or a device node may
// open for reading, but its "length" is whatever seeking to its end says. Each system has its
// own half (regular_file_posix.cpp, regular_file_win32.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace kr55le {

// `path` opened with mode "rb", or null when it does not open or is not a regular file.
std::FILE* OpenRegularFile(const std::string& path);

}  // namespace kr55le
