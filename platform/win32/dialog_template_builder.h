// The main dialog's template rows as an in-memory extended dialog template (DLGTEMPLATEEX and
// its DLGITEMTEMPLATEEX items), for CreateDialogIndirectParam.
#pragma once

#include "platform/win32/windows_headers.h"

#include <string_view>
#include <vector>

#include "res/dialog_template.h"

namespace kr55le::win32 {

// The window class of the progress bar, which has no predefined atom.
inline constexpr char kProgressBarClass[] = "msctls_progress32";

// A template row's text in this build: the maker's notice names Windows.
std::string_view ShownText(const dialog_template::TemplateControl& row);

// The template, DWORD-aligned as the dialog manager reads it: pass Data() of the result.
std::vector<DWORD> BuildDialogTemplate();

}  // namespace kr55le::win32
