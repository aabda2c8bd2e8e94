// Requests as the host builds them, for the simulated device's tests.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "device/protocol.h"
#include "sim/device_model.h"

namespace kr55le::sim::testing {

using Report = std::vector<std::uint8_t>;

inline Report NewOutput() {
  return Report(kReportSize, 0);
}

inline Report InfoRequest(Report output = NewOutput()) {
  BuildDeviceInfoRequest(ReportView(std::span(output)));
  return output;
}

// Builds into `output`, which keeps the tails of earlier requests as the host's buffer does.
inline Report CheckRequest(Report& output, std::string_view kind, std::string_view version) {
  ImageCheckFields fields;
  for (std::size_t i = 0; i < kHeaderFieldSize; ++i) {
    fields.HeaderField1[i] = static_cast<std::uint8_t>(i + 1);
    if (i < kind.size()) fields.ImageKind[i] = static_cast<std::uint8_t>(kind[i]);
    if (i < version.size()) fields.ImageVersion[i] = static_cast<std::uint8_t>(version[i]);
  }
  BuildImageCheckRequest(ReportView(std::span(output)), fields);
  return output;
}

inline Report StartRequest(Report& output) {
  BuildUpgradeStartRequest(ReportView(std::span(output)));
  return output;
}

// Lets a default-configured model take blocks: an accepted check, then the start.
inline void ArmForTransfer(DeviceModel& model) {
  Report output = NewOutput();
  model.HandleOutputReport(CheckRequest(output, "Pardo", "02.00.00"));
  model.HandleOutputReport(StartRequest(output));
}

}  // namespace kr55le::sim::testing
