// The payload a simulated device assembled, written to a file for the caller to compare with
// the image (kr55le-flash --simulate-dump, kr55le-virtual-device --dump).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kr55le::sim {

// False when the file could not be written whole.
bool WritePayloadDump(const std::string& path, const std::vector<std::uint8_t>& payload);

}  // namespace kr55le::sim
