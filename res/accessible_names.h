// What a screen reader calls each control of the main dialog. A field is named after the
// template's caption beside it; a control without one has a name of its own (res/strings.h).
#pragma once

#include <string>
#include <string_view>

#include "res/controls.h"

namespace kr55le {

// The caption without its trailing colon and blanks; empty for the buttons, which their own
// captions name.
std::string_view AccessibleName(Control control);

// Whether the nearest static before the control, in the template's order, is its caption. The
// platform's screen-reader support names a field after that static, so a field without it needs
// its name given another way.
bool CaptionPrecedes(Control control);

// The status line's name while it shows `status`: its own name and the status. A screen reader
// that speaks a changed name, or a live region's name, then speaks the new status.
std::string StatusLineName(std::string_view status);

}  // namespace kr55le
