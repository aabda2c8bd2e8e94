// The hold on sleep and shutdown as systemd-logind gives it: an inhibitor, in effect while the
// file descriptor it hands out stays open.
#pragma once

#include <cstdio>
#include <memory>

#include "window/system_hold.h"

namespace kr55le {

// Takes a blocking inhibitor on the system bus. Null when there is no bus or no logind (a
// container, a minimal system); the first such failure of the process is said on `errors`.
std::unique_ptr<SystemHold> TakeLogindHold(std::FILE* errors = stderr);

}  // namespace kr55le
