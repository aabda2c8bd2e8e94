// kr55le-flash inspect: what the utility would do with an image file, without a device.
#pragma once

#include <string>

#include "cli/output.h"

namespace kr55le {

// Prints the inspection of `path`; returns kExitDone exactly when the verdict is ok.
int RunInspect(const std::string& path, FlashOutput& output);

}  // namespace kr55le
