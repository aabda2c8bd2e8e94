// The payload a simulated device assembled, written to a file for the caller to compare with
// the image (kr55le-flash --simulate-dump, kr55le-virtual-device --dump).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kr55le::sim {

// Where the dump of one of several devices goes: `path` with "-SERIAL" before its extension,
// e.g. out.bin -> out-KR55LE0002.bin.
std::string DumpPathOf(const std::string& path, const std::string& serial);

// False when the file could not be written whole.
bool WritePayloadDump(const std::string& path, const std::vector<std::uint8_t>& payload);

}  // namespace kr55le::sim
