// The 64-byte header of an image file and the copies the utility keeps of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/protocol.h"

namespace kr55le {

class ImageFile;

inline constexpr std::size_t kImageHeaderSize = 64;
inline constexpr std::size_t kHeaderField1Offset = 0;
inline constexpr std::size_t kHeaderField2Offset = 8;
inline constexpr std::size_t kImageKindOffset = 32;
inline constexpr std::size_t kImageVersionOffset = 48;
inline constexpr std::size_t kKindTagLength = 5;
inline constexpr char kFirmwareKindTag[] = "Pardo";
inline constexpr char kAudioKindTag[] = "AUDIO";
inline constexpr std::size_t kVersionDotPositions[] = {2, 5};
inline constexpr char kVersionDot = '.';

enum class ImageKindClass { Firmware, Audio, Unknown };

// The header copies, refilled by every reading. ImageVersion has a ninth, always zero byte so
// that it reads as text of at most eight characters.
struct ImageHeaderCopies {
  std::array<std::uint8_t, kImageHeaderSize> ImageHeader{};
  std::array<std::uint8_t, kHeaderFieldSize> HeaderField1{};
  std::array<std::uint8_t, kHeaderFieldSize> HeaderField2{};
  std::array<std::uint8_t, kHeaderFieldSize> ImageKind{};
  std::array<std::uint8_t, kHeaderFieldSize + 1> ImageVersion{};

  bool IsVersionWellFormed() const;
  ImageKindClass Kind() const;
  // The version as shown: up to eight characters, ending early at a zero byte.
  std::string VersionText() const;
  ImageCheckFields CheckFields() const;
};

// Reads the header from the start of `file` into `copies` and returns how many header bytes
// the file held. The header copy is cleared first, so a file shorter than its header never
// carries bytes of an image read earlier.
std::size_t ReadImageHeader(ImageFile& file, ImageHeaderCopies& copies);

// Fills the copies from raw header bytes (at most 64; missing bytes count as zero).
void FillHeaderCopies(std::span<const std::uint8_t> header, ImageHeaderCopies& copies);

}  // namespace kr55le
