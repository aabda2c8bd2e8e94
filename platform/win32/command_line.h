// The program's arguments on Windows, read from the wide-character command line and given in
// UTF-8: the narrow argv holds them in the ANSI code page, which may lack characters of a name.
#pragma once

#include <string>
#include <vector>

namespace kr55le::win32 {

// The arguments after the program's name, split as the C runtime splits them.
std::vector<std::string> CommandLineArguments();

}  // namespace kr55le::win32
