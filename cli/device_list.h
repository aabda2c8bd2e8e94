// kr55le-flash list, and the --device selector: every interface the dialog's scan would list,
// each identified by a run of the dialog that sees that interface alone.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "hid/hid_services.h"

namespace kr55le {

struct ListedDevice {
  std::string path;
  bool answered = false;  // identified in upgrade mode
  Identification identification;
  std::string problem;  // why it cannot be used; empty when it answered
};

// The device at `path`, identified by a run of the dialog that sees that interface alone.
ListedDevice IdentifyDevice(hid::HidServices& hid, const std::string& path,
                            const FlashArguments& arguments, const ConsoleContext& context);

std::vector<ListedDevice> ListDevices(hid::HidServices& hid, const FlashArguments& arguments,
                                      const ConsoleContext& context);

// The interface path `selector` names: an interface path as list prints it (any case), or the
// serial number of a device that answers; empty when it names none.
std::string SelectDevice(const std::string& selector, hid::HidServices& hid,
                         const FlashArguments& arguments, const ConsoleContext& context);

// One line a device ("key: value" fields between tabs), or with `json` one array of objects;
// returns the exit status: done when at least one device answered.
int PrintDeviceList(const std::vector<ListedDevice>& devices, std::FILE* out, bool json);

}  // namespace kr55le
