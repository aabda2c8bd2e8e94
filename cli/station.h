// kr55le-flash upgrade --each: a station that upgrades every device attached at the start or
// plugged in later, each once a run, known by its serial number, with the runs of --all (each
// device by a run of this program of its own, as many at once as there are processors). It
// goes on until Ctrl+C or SIGTERM, or until --each=N devices have been upgraded.
#pragma once

#include <cstdio>
#include <string>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "hid/hid_services.h"

namespace kr55le {

// Prints the runs' lines and the summary on `out` (errors and progress on context.errors) and
// returns the exit status: done only when at least one device was upgraded and every upgrade
// was done.
int RunStation(const FlashArguments& arguments, hid::HidServices& hid,
               const ConsoleContext& context, const std::string& program, std::FILE* out);

}  // namespace kr55le
