// The dialog template's styles as the Win32 style bits of each control class.
#pragma once

#include "platform/win32/windows_headers.h"

#include "res/dialog_template.h"

namespace kr55le::win32 {

// WS_, BS_, ES_, SS_, LBS_, CBS_, PBS_ and DS_ bits: the same named style means other bits in
// other classes (Sorted is CBS_SORT for a combo box, LBS_SORT for a list box).
DWORD WindowStyle(dialog_template::ControlClass controlClass, dialog_template::StyleSet styles);
DWORD DialogWindowStyle(dialog_template::StyleSet styles);
DWORD DialogExtendedStyle(dialog_template::StyleSet styles);

}  // namespace kr55le::win32
