// Open-file filters: the dialog gives them in the platform-neutral "label|pattern|" pairs of the
// Win32 file dialog; Qt wants "label (pattern)" entries joined by ";;".
#pragma once

#include <string>
#include <string_view>

namespace kr55le::qt {

// "Bin Files: (*.bin)|*.bin|" -> "Bin Files: (*.bin)"; "Text|*.txt;*.log|" -> "Text (*.txt *.log)".
// A label that already ends with its pattern in parentheses keeps its wording; a label without a
// pattern (an odd field at the end) is dropped, as is an entry whose pattern is empty.
std::string ToQtFileFilter(std::string_view filter);

}  // namespace kr55le::qt
