#include "sim/bus_configs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "image/utf8_file.h"
#include "record/session_record.h"
#include "res/strings.h"
#include "sim/replay_script.h"

namespace kr55le::sim {

namespace {

constexpr std::size_t kMessageCapacity = 256;
constexpr std::size_t kReadChunk = 16384;

std::string TooLarge() {
  char message[kMessageCapacity];
  std::snprintf(message, sizeof message, std::string(text::kReplayTooLargeFormat).c_str(),
                kMaxReplayBytes);
  return message;
}

// The recording's text; empty with `error` set when it may not be read.
std::string ReadRecording(const std::string& path, std::string& error) {
  std::error_code status;
  const std::filesystem::file_status type = std::filesystem::status(Utf8Path(path), status);
  if (!status && std::filesystem::exists(type)) {
    if (!std::filesystem::is_regular_file(type)) {
      error = path + std::string(text::kReplayNotRegularFile);
      return {};
    }
    if (std::filesystem::file_size(Utf8Path(path), status) > kMaxReplayBytes && !status) {
      error = path + TooLarge();
      return {};
    }
  }
  std::ifstream file(Utf8Path(path), std::ios::binary);
  if (!file.is_open()) {
    error = path + std::string(text::kReplayCannotOpen);
    return {};
  }
  // Read in chunks, never past the bound: the file may have grown since the look.
  std::string text;
  char chunk[kReadChunk];
  while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxReplayBytes) {
      error = path + TooLarge();
      return {};
    }
  }
  return text;
}

}  // namespace

std::vector<SimDeviceConfig> LoadDeviceConfigs(const SimOptions& options, std::string& error) {
  if (options.replayPath.empty()) return DeviceConfigs(options);
  const std::string text = ReadRecording(options.replayPath, error);
  if (!error.empty()) return {};
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
    if (device.statusReplyId) config.statusReplyId = *device.statusReplyId;
    config.replayRecordedTiming = options.replayRecordedTiming;
    config.replay = std::make_shared<const ReplayDevice>(std::move(device));
  }
  return configs;
}

}  // namespace kr55le::sim
