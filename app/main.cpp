// kr55le-upgrade: the utility's window on the system's HID devices.
#include "app/window_main.h"
#include "platform/factories.h"
#include "res/strings.h"

int main(int argc, char** argv) {
  const auto toolkit = kr55le::platform::StartWindowToolkit(argc, argv);
  const auto hid = kr55le::platform::MakeHidServices();
  return kr55le::RunUpgradeWindow(*hid, kr55le::text::kSingleInstanceName);
}
