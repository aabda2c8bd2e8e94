// kr55le-upgrade: the utility's window on the system's HID devices.
#include <string>
#include <vector>

#include "app/window_language.h"
#include "app/window_main.h"
#include "platform/factories.h"
#include "res/names.h"

int main(int argc, char** argv) {
  const auto toolkit = kr55le::platform::StartWindowToolkit(argc, argv);
  std::vector<std::string> arguments = kr55le::platform::ProgramArguments(argc, argv);
  kr55le::UseWindowLanguage(arguments);
  const auto hid = kr55le::platform::MakeHidServices();
  return kr55le::RunUpgradeWindow(*hid, kr55le::name::kSingleInstanceName);
}
