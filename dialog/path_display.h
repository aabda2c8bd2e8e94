// How a chosen image's path is shown: broken into lines so that a long path stays readable.
#pragma once

#include <string>

namespace kr55le {

// Inserts a line break before the characters at 77, 150, 225 and 300 (each position counted
// after the earlier insertions, in characters of the UTF-8 text) where the text reaches past it.
std::string BreakPathForDisplay(std::string path);
// The path that a shown (or typed) text names: every line break removed, since the display's
// breaks are not part of the file name.
std::string PathFromDisplay(const std::string& shown);

}  // namespace kr55le
