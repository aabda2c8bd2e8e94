// The language of the window's texts.
#pragma once

#include <string>
#include <vector>

namespace kr55le {

// Takes the language option out of the arguments and uses its language. The system's own
// choice is not followed yet: the dialog's layout is still the English one, which longer
// translations do not fit; the option is there to check them (kr55le-flash follows the system).
void UseWindowLanguage(std::vector<std::string>& arguments);

}  // namespace kr55le
