#include "platform/sim/payload_dump.h"

#include <fstream>

namespace kr55le::sim {

bool WritePayloadDump(const std::string& path, const std::vector<std::uint8_t>& payload) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(payload.data()),
            static_cast<std::streamsize>(payload.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace kr55le::sim
