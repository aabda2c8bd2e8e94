// The system's open-file dialog, given the dialog's title and filter.
#pragma once

#include "platform/win32/windows_headers.h"

#include <optional>
#include <string>

#include "window/dialog_host.h"

namespace kr55le::win32 {

// "Bin Files: (*.bin)|*.bin|" as the system's filter: each '|' a zero, the whole ending in two.
std::string ToSystemFilter(std::string_view filter);

// The chosen file's full path, or nothing when the dialog was closed without one.
std::optional<std::string> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request);

}  // namespace kr55le::win32
