// The main dialog's template rows as an in-memory extended dialog template (DLGTEMPLATEEX and
// its DLGITEMTEMPLATEEX items), for CreateDialogIndirectParam.
#pragma once

#include "platform/win32/windows_headers.h"

#include <vector>

namespace kr55le::win32 {

// The window class of the progress bar, which has no predefined atom.
inline constexpr char kProgressBarClass[] = "msctls_progress32";

// The template, DWORD-aligned as the dialog manager reads it: pass Data() of the result.
std::vector<DWORD> BuildDialogTemplate();

}  // namespace kr55le::win32
