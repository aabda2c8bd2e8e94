// windows.h for the Windows backend. It names the A or W function MessageBox through a macro,
// which would rename the dialog host's member of that name in whatever follows; so the macro
// goes (the function is called as MessageBoxA).
#pragma once

#include <windows.h>

#undef MessageBox
