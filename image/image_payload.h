// Payload rules: size limits, division into 1008-byte blocks, and the staging area that holds
// the payload with the filler of its final block.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "device/protocol.h"

namespace kr55le {

class ImageFile;

inline constexpr std::uint32_t kMaxPayloadSize = 0x200000;  // 2,097,152 bytes
inline constexpr std::uint32_t kMaxBlockCount = kMaxPayloadSize / kBlockDataSize + 1;  // 2,081
inline constexpr std::size_t kStagingCapacity = std::size_t{kMaxBlockCount} * kBlockDataSize;
inline constexpr std::uint8_t kFillerByte = 0x55;
static_assert(kStagingCapacity == 2097648);

enum class SizeVerdict { Ok, Empty, TooLarge };

struct PayloadPlan {
  SizeVerdict Verdict = SizeVerdict::TooLarge;
  std::uint32_t PayloadSize = 0;  // meaningful only when Verdict is Ok or Empty
  std::uint32_t FullBlockCount = 0;
  std::uint32_t BlockCount() const { return FullBlockCount + 1; }
  std::uint32_t FillerBytes() const;
};

// Judges a file of `fileLength` bytes (nothing when its length could not be told). A file
// shorter than its header, or one whose length is unknown, is too large, as is any payload past
// kMaxPayloadSize: the length is compared whole, never cut to 32 bits.
PayloadPlan PlanPayload(std::optional<std::uint64_t> fileLength);

// Allocated once; never cleared between images, so only the bytes Load writes are meaningful.
class ImagePayload {
 public:
  ImagePayload();

  // Reads the payload from offset 64 in one read and writes the filler after it. Returns the
  // number of payload bytes read; fewer than plan.PayloadSize means the file changed or failed.
  // A plan that is not Ok reads nothing.
  std::uint32_t Load(ImageFile& file, const PayloadPlan& plan);
  // Same from bytes already in memory (tests and tools).
  void Stage(std::span<const std::uint8_t> payload);

  // Block n (from 0): staging bytes 1008*n .. 1008*n+1007. Empty for n past the capacity.
  std::span<const std::uint8_t> Block(std::uint32_t n) const;

 private:
  void ApplyFiller(std::uint32_t payloadSize);
  std::unique_ptr<std::uint8_t[]> bytes_;
};

}  // namespace kr55le
