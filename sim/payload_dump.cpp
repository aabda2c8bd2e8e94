#include "sim/payload_dump.h"

#include <fstream>
#include <string_view>

#include "image/utf8_file.h"

namespace kr55le::sim {
namespace {

constexpr char kSerialSeparator = '-';
constexpr char kExtensionMark = '.';
constexpr std::string_view kFolderMarks = "/\\";

}  // namespace

std::string DumpPathOf(const std::string& path, const std::string& serial) {
  const std::size_t name = path.find_last_of(kFolderMarks);
  const std::size_t nameStart = name == std::string::npos ? 0 : name + 1;
  std::size_t extension = path.rfind(kExtensionMark);
  // A leading dot names a hidden file, not an extension.
  if (extension == std::string::npos || extension <= nameStart) extension = path.size();
  return path.substr(0, extension) + kSerialSeparator + serial + path.substr(extension);
}

bool WritePayloadDump(const std::string& path, const std::vector<std::uint8_t>& payload) {
  std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(payload.data()),
            static_cast<std::streamsize>(payload.size()));
  out.close();
  return static_cast<bool>(out);
}

std::vector<std::string> WritePayloadDumps(const std::string& path, std::size_t deviceCount,
                                           const std::vector<DeviceDump>& dumps) {
  std::vector<std::string> failed;
  if (deviceCount <= 1) {
    if (!WritePayloadDump(path,
                          dumps.empty() ? std::vector<std::uint8_t>() : dumps.front().payload))
      failed.push_back(path);
    return failed;
  }
  for (const DeviceDump& dump : dumps) {
    const std::string file = DumpPathOf(path, dump.serial);
    if (!WritePayloadDump(file, dump.payload)) failed.push_back(file);
  }
  return failed;
}

}  // namespace kr55le::sim
