// Arbitrary bytes as a HID report descriptor: the parser must never read past them, and a
// leading long item (which it skips) must not change what it finds.
#include <cstdint>
#include <vector>

#include "platform/linux/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> descriptor(data, size);
  const kr55le::hid::HidCaps caps = kr55le::ParseReportDescriptor(descriptor);

  std::vector<std::uint8_t> prefixed = {kr55le::kLongItemPrefix, 0x00, 0x00};
  prefixed.insert(prefixed.end(), descriptor.begin(), descriptor.end());
  const kr55le::hid::HidCaps same = kr55le::ParseReportDescriptor(prefixed);
  if (same.InputReportByteLength != caps.InputReportByteLength ||
      same.OutputReportByteLength != caps.OutputReportByteLength ||
      same.FeatureReportByteLength != caps.FeatureReportByteLength) {
    __builtin_trap();
  }
  return 0;
}
