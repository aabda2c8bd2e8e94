#include "cli/device_list.h"

#include <algorithm>

#include "cli/device_selection.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/terminal_text.h"
#include "dialog/interface_paths.h"
#include "record/latin1_json.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr char kFieldSeparator = '\t';

std::string ProblemOf(const std::string& path, const DialogRun& run) {
  if (run.openResult.error == hid::HidError::PermissionDenied) return PermissionHintFor(path);
  if (run.openResult.error == hid::HidError::InUse) return std::string(text::kDeviceInUse);
  if (!run.openResult.ok()) return run.openResult.message;
  return run.lastMessage;
}

// The fields of one device, in the order they are printed.
std::vector<std::pair<std::string_view, std::string>> FieldsOf(const ListedDevice& device) {
  if (!device.answered) return {{kKeyPath, device.path}, {kKeyProblem, device.problem}};
  const Identification& identification = device.identification;
  return {{kKeyPath, device.path},
          {kKeySerial, identification.serial},
          {kKeySoftwareVersion, identification.softwareVersion},
          {kKeyBootloaderVersion, identification.bootloaderVersion},
          {kKeyUpgradeMode, identification.upgradeMode}};
}

}  // namespace

ListedDevice IdentifyDevice(hid::HidServices& hid, const std::string& path,
                            const FlashArguments& arguments, const ConsoleContext& context) {
  FlashArguments info = arguments;
  info.command = FlashCommand::Info;
  info.device.reset();
  SelectedHidServices alone(hid, path);
  const DialogRun run = RunDialog(info, alone, context, nullptr);
  ListedDevice device;
  device.path = path;
  device.answered = run.status == kExitDone;
  device.identification = run.identification;
  if (!device.answered) device.problem = ProblemOf(path, run);
  return device;
}

std::vector<ListedDevice> ListDevices(hid::HidServices& hid, const FlashArguments& arguments,
                                      const ConsoleContext& context) {
  std::vector<ListedDevice> devices;
  for (const hid::HidInterface& interface : hid.Enumerate()) {
    if (IsScannedInterface(interface.path))
      devices.push_back(IdentifyDevice(hid, interface.path, arguments, context));
  }
  return devices;
}

std::string SelectDevice(const std::string& selector, hid::HidServices& hid,
                         const FlashArguments& arguments, const ConsoleContext& context) {
  for (const hid::HidInterface& interface : hid.Enumerate()) {
    if (hid::SameInterfacePath(interface.path, selector)) return interface.path;
  }
  for (const ListedDevice& device : ListDevices(hid, arguments, context)) {
    if (device.answered && device.identification.serial == selector) return device.path;
  }
  return {};
}

int PrintDeviceList(const std::vector<ListedDevice>& devices, std::FILE* out, bool json) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const ListedDevice& device : devices) {
    if (json) {
      nlohmann::ordered_json& object = list.emplace_back(nlohmann::ordered_json::object());
      for (const auto& [key, value] : FieldsOf(device))
        object[std::string(key)] = Latin1Json(value);
      continue;
    }
    std::string line;
    for (const auto& [key, value] : FieldsOf(device)) {
      if (!line.empty()) line += kFieldSeparator;
      line += std::string(key) + ": " + TerminalSafe(value);
    }
    std::fprintf(out, "%s\n", line.c_str());
  }
  if (json) std::fprintf(out, "%s\n", DumpJson(list).c_str());
  const bool answered = std::any_of(devices.begin(), devices.end(),
                                    [](const ListedDevice& device) { return device.answered; });
  return answered ? kExitDone : kExitNotDone;
}

}  // namespace kr55le
