#include "device/block_crc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace kr55le {
namespace {

TEST(BlockCrc, GivesTheWorkedValues) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> data;
    std::uint32_t expected;
  } cases[] = {
      {"abc and a zero byte", {0x61, 0x62, 0x63, 0x00}, 0xE1208697},
      {"1008 zero bytes", std::vector<std::uint8_t>(1008, 0x00), 0xF6401871},
      {"1008 filler bytes", std::vector<std::uint8_t>(1008, 0x55), 0xE64A0E7F},
      {"bytes past 252 words ignored", std::vector<std::uint8_t>(1200, 0x55), 0xE64A0E7F},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, c.data), c.expected) << c.name;
  }
}

TEST(BlockCrc, IsMpeg2OverEachWordWithItsBytesReversed) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> block(1008);
  for (auto& byte : block) byte = static_cast<std::uint8_t>(random());
  // Bitwise CRC-32/MPEG-2, independent of the nibble table, over each word reversed.
  std::uint32_t crc = kBlockCrcInitial;
  for (std::size_t i = 0; i < block.size(); ++i) {
    crc ^= std::uint32_t{block[i - i % 4 + 3 - i % 4]} << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, block), crc);
}

}  // namespace
}  // namespace kr55le
