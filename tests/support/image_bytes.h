// Payloads for tests and what the device holds after receiving one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/protocol.h"
#include "image/image_payload.h"

namespace kr55le::testing {

inline constexpr std::size_t kBlock = kBlockDataSize;

// Every block differs from every other, so a block sent twice or out of place shows.
inline std::vector<std::uint8_t> Payload(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / kBlock);
  return bytes;
}

inline std::size_t BlocksFor(std::size_t payloadSize) {
  return payloadSize / kBlock + 1;
}

// What the device holds after the transfer: the payload, then filler to its last block's end.
inline std::vector<std::uint8_t> WithFiller(std::vector<std::uint8_t> payload) {
  payload.resize(BlocksFor(payload.size()) * kBlock, kFillerByte);
  return payload;
}

}  // namespace kr55le::testing
