#include "device/block_crc.h"

#include <algorithm>
#include <array>

namespace kr55le {
namespace {

constexpr int kNibbleBits = 4;
constexpr int kNibblesPerWord = 8;
constexpr int kTopNibbleShift = 28;

constexpr std::array<std::uint32_t, 16> MakeNibbleTable() {
  std::array<std::uint32_t, 16> table{};
  for (std::uint32_t n = 0; n < table.size(); ++n) {
    std::uint32_t value = n << kTopNibbleShift;
    for (int bit = 0; bit < kNibbleBits; ++bit) {
      const bool carry = (value & 0x80000000u) != 0;
      value <<= 1;
      if (carry) value ^= kBlockCrcPolynomial;
    }
    table[n] = value;
  }
  return table;
}

constexpr auto kNibbleTable = MakeNibbleTable();
static_assert(kNibbleTable[1] == 0x04C11DB7 && kNibbleTable[2] == 0x09823B6E &&
              kNibbleTable[15] == 0x384FBDBD);

std::uint32_t WordAt(std::span<const std::uint8_t> bytes, std::size_t word) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t index = word * 4 + i;
    const std::uint32_t byte = index < bytes.size() ? bytes[index] : 0;
    value |= byte << (8 * i);
  }
  return value;
}

}  // namespace

std::uint32_t ComputeBlockCrc(std::uint32_t initial, std::span<const std::uint8_t> words) {
  std::uint32_t crc = initial;
  const std::size_t count = std::min(kBlockCrcWords, (words.size() + 3) / 4);
  for (std::size_t w = 0; w < count; ++w) {
    crc ^= WordAt(words, w);
    for (int step = 0; step < kNibblesPerWord; ++step) {
      crc = (crc << kNibbleBits) ^ kNibbleTable[crc >> kTopNibbleShift];
    }
  }
  return crc;
}

}  // namespace kr55le
