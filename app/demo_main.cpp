// kr55le-upgrade-demo: the same window on a simulated KR-55LE, for trying the utility without
// the hardware. Its one optional argument chooses the simulated device, e.g. "mode=audio".
#include <string>
#include <vector>

#include "app/demo_window.h"
#include "app/window_language.h"
#include "platform/factories.h"

int main(int argc, char** argv) {
  const auto toolkit = kr55le::platform::StartWindowToolkit(argc, argv);
  std::vector<std::string> arguments = kr55le::platform::ProgramArguments(argc, argv);
  kr55le::UseWindowLanguage(arguments);
  return kr55le::RunDemoWindow("kr55le-upgrade-demo",
                               arguments.empty() ? std::string() : arguments.front());
}
