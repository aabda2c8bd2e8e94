// Report descriptors of real-shaped devices, recorded as files named by vendor and product (as
// hidapi keeps its test data); the descriptor fuzz target starts from the same files.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kr55le::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes RecordedDescriptor(const std::string& vendorProduct) {
  std::ifstream file(std::string(KR55LE_DESCRIPTOR_DIR) + "/" + vendorProduct + ".rpt_desc",
                     std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

// A vendor page with numbered reports: input 8 of 63 bytes, outputs 1 and 2 of 1023 bytes.
inline const Bytes kVendorNumbered = RecordedDescriptor("0483_5750");
// The same page without report IDs: one input and one output report of 64 bytes.
inline const Bytes kVendorUnnumbered = RecordedDescriptor("0483_df11");
// HID 1.11, appendix B.1: the boot keyboard.
inline const Bytes kBootKeyboard = RecordedDescriptor("046d_c31c");
// A wheel mouse whose feature report is declared between Push and Pop.
inline const Bytes kMouseWithPushPop = RecordedDescriptor("046d_c077");

}  // namespace kr55le::testing
