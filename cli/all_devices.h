// kr55le-flash check --all and upgrade --all: every device that answers, each checked or
// upgraded by a run of this program of its own (cli/device_runs.h).
#pragma once

#include <cstdio>
#include <string>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "cli/device_runs.h"
#include "hid/hid_services.h"

namespace kr55le {

// Runs the command on every device of `hid` that answers, `program` being this program; prints
// the runs' lines and the summary on `out` (errors and progress on context.errors) and returns
// the exit status: done only when every run was done.
int RunOnAllDevices(const FlashArguments& arguments, hid::HidServices& hid,
                    const ConsoleContext& context, const std::string& program, std::FILE* out);

// The line on context.errors for a device that did not answer and is left out.
void PrintLeftOut(const ListedDevice& device, const ConsoleContext& context);

}  // namespace kr55le
