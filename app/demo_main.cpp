// kr55le-upgrade-demo: the same window on a simulated KR-55LE, for trying the utility without
// the hardware. Its one optional argument chooses the simulated device, e.g. "mode=audio"; it
// answers at a full-speed device's pace unless "reply-ms=0" asks for the fastest.
#ifndef _WIN32
#include <QApplication>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "app/window_main.h"
#include "platform/sim/bus_configs.h"
#include "platform/sim/sim_hid_services.h"
#include "platform/sim/sim_options.h"
#ifdef _WIN32
#include "platform/win32/command_line.h"
#endif
#include "res/strings.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // From the wide-character command line: a replay file's name may hold characters that the
  // ANSI code page lacks.
  (void)argc;
  (void)argv;
  const std::vector<std::string> arguments = kr55le::win32::CommandLineArguments();
  const std::string options = arguments.empty() ? std::string() : arguments.front();
#else
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  const std::string options = arguments.size() > 1 ? arguments[1].toStdString() : std::string();
#endif
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
