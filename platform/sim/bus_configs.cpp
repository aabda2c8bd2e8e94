#include "platform/sim/bus_configs.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "image/utf8_file.h"
#include "platform/record/session_record.h"
#include "platform/sim/replay_script.h"

namespace kr55le::sim {

std::vector<SimDeviceConfig> LoadDeviceConfigs(const SimOptions& options, std::string& error) {
  if (options.replayPath.empty()) return DeviceConfigs(options);
  std::ifstream file(Utf8Path(options.replayPath), std::ios::binary);
  if (!file.is_open()) {
    error = options.replayPath + ": cannot be opened";
    return {};
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const record::ParsedRecording recording = record::ParseRecording(text);
  if (!recording.ok()) {
    error = options.replayPath + ": " + recording.error;
    return {};
  }
  std::vector<ReplayDevice> devices = ReplayDevices(recording.events);
  // Numbered serials, so that several devices' dumps keep apart.
  SimOptions counted = options;
  counted.deviceCount = devices.size();
  counted.deviceEntries.clear();
  std::vector<SimDeviceConfig> configs = DeviceConfigs(counted);
  for (std::size_t index = 0; index < devices.size(); ++index) {
    ReplayDevice& device = devices[index];
    SimDeviceConfig& config = configs[index];
    config.hasDescription = device.description.has_value();
    config.inputReportLength = device.caps.InputReportByteLength;
    config.outputReportLength = device.caps.OutputReportByteLength;
    config.replayRecordedTiming = options.replayRecordedTiming;
    config.replay = std::make_shared<const ReplayDevice>(std::move(device));
  }
  return configs;
}

}  // namespace kr55le::sim
