// kr55le-upgrade-demo: the same window on a simulated KR-55LE, for trying the utility without
// the hardware. Its one optional argument chooses the simulated device, e.g. "mode=audio"; it
// answers at a full-speed device's pace unless "reply-ms=0" asks for the fastest.
#include <cstdio>
#include <string>
#include <vector>

#include "app/window_main.h"
#include "platform/factories.h"
#include "res/strings.h"
#include "sim/bus_configs.h"
#include "sim/sim_hid_services.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
  const auto toolkit = kr55le::platform::StartWindowToolkit(argc, argv);
  const std::vector<std::string> arguments = kr55le::platform::ProgramArguments(argc, argv);
  const std::string options = arguments.empty() ? std::string() : arguments.front();
  // A device at the pace of real hardware unless the options say otherwise (reply-ms=0).
  kr55le::sim::SimOptions demo;
  demo.config.replyLatency = kr55le::sim::kFullSpeedReplyLatency;
  const kr55le::sim::SimOptionsResult parsed = kr55le::sim::ParseSimOptions(options, demo);
  if (!parsed.ok()) {
    std::fprintf(stderr, "kr55le-upgrade-demo: %s\nusage: kr55le-upgrade-demo [KEY=VALUE,...]\n",
                 parsed.error.c_str());
    return 2;
  }
  std::string error;
  const std::vector<kr55le::sim::SimDeviceConfig> configs =
      kr55le::sim::LoadDeviceConfigs(parsed.options, error);
  if (!error.empty()) {
    std::fprintf(stderr, "kr55le-upgrade-demo: %s\n", error.c_str());
    return 1;
  }
  kr55le::sim::SimHidServices hid;
  for (const kr55le::sim::SimDeviceConfig& config : configs) hid.Plug(config);
  const std::string instance = std::string(kr55le::text::kSingleInstanceName) + "-demo";
  return kr55le::RunUpgradeWindow(hid, instance);
}
