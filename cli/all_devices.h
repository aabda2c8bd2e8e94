// kr55le-flash check --all and upgrade --all: every device that answers, each checked or
// upgraded by a run of this program of its own (--device with its path), as many at once as
// the machine has processors; their lines prefixed by serial number, then a summary.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "platform/hid/hid_services.h"

namespace kr55le {

// What a device's run came to.
struct DeviceRunResult {
  std::string serial;
  std::string path;
  std::string result;       // a word of the string table
  std::string lastMessage;  // the run's last status text
  double seconds = 0;
};

// The arguments of the run for the device at `path`: the command, its image and the options that
// shape one run, with --device (and --record named by `serial`).
std::vector<std::string> RunArgumentsFor(const FlashArguments& arguments, const std::string& path,
                                         const std::string& serial);

// Runs the command on every device of `hid` that answers, `program` being this program; prints
// the runs' lines and the summary on `out` (errors and progress on context.errors) and returns
// the exit status: done only when every run was done.
int RunOnAllDevices(const FlashArguments& arguments, hid::HidServices& hid,
                    const ConsoleContext& context, const std::string& program, std::FILE* out);

// The summary: one row a device under a heading, or with `json` one array of objects.
void PrintSummary(const std::vector<DeviceRunResult>& results, std::FILE* out, bool json);

}  // namespace kr55le
