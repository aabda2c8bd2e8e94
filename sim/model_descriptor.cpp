#include "sim/model_descriptor.h"

#include <span>

namespace kr55le::sim {
namespace {

constexpr unsigned kHighByteShift = 8;
constexpr std::uint16_t kLowByteMask = 0xFF;

void PutTwoByteItem(std::vector<std::uint8_t>& descriptor, std::uint8_t prefix,
                    std::uint16_t value) {
  descriptor.push_back(prefix);
  descriptor.push_back(static_cast<std::uint8_t>(value & kLowByteMask));
  descriptor.push_back(static_cast<std::uint8_t>(value >> kHighByteShift));
}

void PutReports(std::vector<std::uint8_t>& descriptor, std::uint8_t mainItem,
                std::span<const std::uint8_t> reportIds, std::uint16_t length) {
  if (length <= kReportIdBytes) return;
  for (const std::uint8_t reportId : reportIds) {
    descriptor.insert(descriptor.end(), {kItemReportId1, reportId});
    PutTwoByteItem(descriptor, kItemReportCount2,
                   static_cast<std::uint16_t>(length - kReportIdBytes));
    descriptor.insert(descriptor.end(),
                      {kItemUsage1, kVendorUsage, mainItem, kDataVariableAbsolute});
  }
}

}  // namespace

InputReportIds InputReportIdsOf(const SimDeviceConfig& config) {
  return {config.statusReplyId, kDeviceInfoReplyId};
}

std::vector<std::uint8_t> BuildReportDescriptor(const SimDeviceConfig& config) {
  std::vector<std::uint8_t> descriptor;
  PutTwoByteItem(descriptor, kItemUsagePage2, kVendorUsagePage);
  descriptor.insert(descriptor.end(),
                    {kItemUsage1, kVendorUsage, kItemCollection1, kApplicationCollection,
                     kItemLogicalMinimum1, kFieldMinimum});
  PutTwoByteItem(descriptor, kItemLogicalMaximum2, kFieldMaximum);
  descriptor.insert(descriptor.end(), {kItemReportSize1, kFieldBits});
  PutReports(descriptor, kItemInput1, InputReportIdsOf(config), config.inputReportLength);
  PutReports(descriptor, kItemOutput1, kOutputReportIds, config.outputReportLength);
  descriptor.push_back(kItemEndCollection);
  return descriptor;
}

}  // namespace kr55le::sim
