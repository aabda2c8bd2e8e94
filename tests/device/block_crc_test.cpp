#include "device/block_crc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace kr55le {
namespace {

// Bitwise CRC-32/MPEG-2 over bytes, as a reference independent of the nibble table.
std::uint32_t Mpeg2Crc(std::uint32_t crc, const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t byte : bytes) {
    crc ^= std::uint32_t{byte} << 24;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
  }
  return crc;
}

struct WorkedValue {
  const char* name;
  std::vector<std::uint8_t> data;
  std::uint32_t expected;
};

TEST(BlockCrc, GivesTheWorkedValues) {
  const WorkedValue cases[] = {
      {"abc and a zero byte", {0x61, 0x62, 0x63, 0x00}, 0xE1208697},
      {"1008 zero bytes", std::vector<std::uint8_t>(1008, 0x00), 0xF6401871},
      {"1008 filler bytes", std::vector<std::uint8_t>(1008, 0x55), 0xE64A0E7F},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, c.data), c.expected) << c.name;
  }
}

TEST(BlockCrc, IsMpeg2OverEachWordWithItsBytesReversed) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> block(1008);
  for (auto& byte : block) byte = static_cast<std::uint8_t>(random());
  std::vector<std::uint8_t> reversed(block.size());
  for (std::size_t i = 0; i < block.size(); i += 4) {
    for (std::size_t j = 0; j < 4; ++j) reversed[i + j] = block[i + 3 - j];
  }
  EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, block), Mpeg2Crc(kBlockCrcInitial, reversed));
}

TEST(BlockCrc, CoversExactly252Words) {
  std::vector<std::uint8_t> block(1008, 0x55);
  std::vector<std::uint8_t> longer = block;
  longer.resize(1200, 0xAA);
  EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, longer), ComputeBlockCrc(kBlockCrcInitial, block));
  block[1007] = 0x54;
  EXPECT_NE(ComputeBlockCrc(kBlockCrcInitial, block), 0xE64A0E7Fu);
}

}  // namespace
}  // namespace kr55le
