// The checksum the device expects in every data block: CRC-32/MPEG-2 fed one little-endian
// 32-bit word at a time, most significant nibble first.
#pragma once

#include <cstdint>
#include <span>

namespace kr55le {

inline constexpr std::uint32_t kBlockCrcInitial = 0xFFFFFFFF;
inline constexpr std::uint32_t kBlockCrcPolynomial = 0x04C11DB7;
inline constexpr std::size_t kBlockCrcWords = 252;

// Runs over the span's little-endian words, at most kBlockCrcWords of them (a block's data is
// exactly that many); a last partial word is zero-extended.
std::uint32_t ComputeBlockCrc(std::uint32_t initial, std::span<const std::uint8_t> words);

}  // namespace kr55le
