// The display languages the user has chosen in Windows, most wished first.
#pragma once

#include <string>
#include <vector>

namespace kr55le::win32 {

// Their names as "de-DE"; the user's choice, not the formatting locale's.
std::vector<std::string> PreferredUiLanguages();

}  // namespace kr55le::win32
