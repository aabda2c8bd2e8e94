#include "image/image_header.h"

#include <algorithm>
#include <cstring>

#include "image/image_file.h"

namespace kr55le {

bool ImageHeaderCopies::IsVersionWellFormed() const {
  return std::all_of(std::begin(kVersionDotPositions), std::end(kVersionDotPositions),
                     [this](std::size_t at) { return ImageVersion[at] == kVersionDot; });
}

ImageKindClass ImageHeaderCopies::Kind() const {
  const auto tagIs = [this](const char* tag) {
    return std::memcmp(ImageKind.data(), tag, kKindTagLength) == 0;
  };
  if (tagIs(kFirmwareKindTag)) return ImageKindClass::Firmware;
  if (tagIs(kAudioKindTag)) return ImageKindClass::Audio;
  return ImageKindClass::Unknown;
}

std::string ImageHeaderCopies::VersionText() const {
  const auto end = std::find(ImageVersion.begin(), ImageVersion.end(), 0);
  return std::string(ImageVersion.begin(), end);
}

ImageCheckFields ImageHeaderCopies::CheckFields() const {
  ImageCheckFields fields;
  fields.HeaderField1 = HeaderField1;
  fields.HeaderField2 = HeaderField2;
  fields.ImageKind = ImageKind;
  std::copy_n(ImageVersion.begin(), kHeaderFieldSize, fields.ImageVersion.begin());
  return fields;
}

void FillHeaderCopies(std::span<const std::uint8_t> header, ImageHeaderCopies& copies) {
  copies.ImageHeader.fill(0);
  std::copy_n(header.begin(), std::min(header.size(), kImageHeaderSize),
              copies.ImageHeader.begin());
  const auto& raw = copies.ImageHeader;
  for (std::size_t i = 0; i < kHeaderFieldSize; ++i) {
    copies.HeaderField1[kHeaderFieldSize - 1 - i] = raw[kHeaderField1Offset + i];
    copies.HeaderField2[kHeaderFieldSize - 1 - i] = raw[kHeaderField2Offset + i];
    copies.ImageKind[i] = raw[kImageKindOffset + i];
    copies.ImageVersion[i] = raw[kImageVersionOffset + i];
  }
  copies.ImageVersion[kHeaderFieldSize] = 0;
}

std::size_t ReadImageHeader(ImageFile& file, ImageHeaderCopies& copies) {
  std::array<std::uint8_t, kImageHeaderSize> header{};
  const std::size_t got = file.ReadAt(0, header);
  FillHeaderCopies(std::span(header).first(got), copies);
  return got;
}

}  // namespace kr55le
