#include "app/demo_window.h"

#include <cstdio>
#include <vector>

#include "res/names.h"
#include "res/strings.h"
#include "sim/bus_configs.h"
#include "sim/payload_dump.h"
#include "sim/sim_hid_services.h"
#include "sim/sim_options.h"

namespace kr55le {

int RunDemoWindow(std::string_view program, const std::string& options, const std::string& dumpPath,
                  const WindowRun& run) {
  const std::string name(program);
  // A device at the pace of real hardware unless the options say otherwise (reply-ms=0).
  sim::SimOptions demo;
  demo.config.replyLatency = sim::kFullSpeedReplyLatency;
  const sim::SimOptionsResult parsed = sim::ParseSimOptions(options, demo);
  if (!parsed.ok()) {
    std::fprintf(stderr, "%s: %s\nusage: %s [KEY=VALUE,...]\n", name.c_str(), parsed.error.c_str(),
                 name.c_str());
    return 2;
  }
  std::string error;
  const std::vector<sim::SimDeviceConfig> configs = sim::LoadDeviceConfigs(parsed.options, error);
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    return 1;
  }
  sim::SimHidServices hid;
  std::vector<std::size_t> plugged;
  for (const sim::SimDeviceConfig& config : configs) plugged.push_back(hid.Plug(config));
  const std::string instance = std::string(name::kSingleInstanceName) + "-demo";
  int status = run(hid, instance);
  if (dumpPath.empty()) return status;
  std::vector<sim::DeviceDump> dumps;
  for (std::size_t index = 0; index < plugged.size(); ++index) {
    dumps.push_back({configs[index].serialNumber, hid.AssembledImage(plugged[index])});
  }
  for (const std::string& path : sim::WritePayloadDumps(dumpPath, configs.size(), dumps)) {
    std::fprintf(stderr, "%s: %s%s\n", name.c_str(), std::string(text::kDumpWriteFailed).c_str(),
                 path.c_str());
    status = 1;
  }
  return status;
}

}  // namespace kr55le
