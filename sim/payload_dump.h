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

// What one device of a bus assembled.
struct DeviceDump {
  std::string serial;
  std::vector<std::uint8_t> payload;
};

// The dumps of a bus of `deviceCount` devices. One device: its dump is `path` (empty when
// `dumps` holds none); several: one file for each entry of `dumps`, named by DumpPathOf, so that
// a device left out of `dumps` leaves its file alone. Returns the files not written whole.
std::vector<std::string> WritePayloadDumps(const std::string& path, std::size_t deviceCount,
                                           const std::vector<DeviceDump>& dumps);

}  // namespace kr55le::sim
