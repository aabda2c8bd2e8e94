// What the utility would do with an image file, judged without a device: the header's kind and
// version, the payload's division into blocks, and the first refusal the window would show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/image_header.h"
#include "image/image_payload.h"

namespace kr55le {

// The refusals of an image, in the order every handler reaches them: the file must open, its
// version must be well formed, its size must fit (the upgrade asks the device between the last
// two). The steps below are that order's one statement; JudgeImage takes them all.
enum class ImageVerdict { Ok, CannotOpen, MalformedVersion, Empty, TooLarge };

ImageVerdict HeaderRefusal(const ImageHeaderCopies& header);
ImageVerdict SizeRefusal(SizeVerdict verdict);

struct ImageInspection {
  ImageVerdict verdict = ImageVerdict::CannotOpen;
  ImageKindClass kind = ImageKindClass::Unknown;
  std::string version;
  bool versionWellFormed = false;
  // The bytes after the header; nothing for a file shorter than its header.
  std::optional<std::uint64_t> payloadBytes;
  // Blocks and filler are meaningful only when the size is accepted (plan.Verdict is Ok).
  PayloadPlan plan;

  bool ok() const { return verdict == ImageVerdict::Ok; }
};

// Judges a file of `fileLength` bytes (nothing when its length could not be told) whose header
// reads as `header`.
ImageInspection JudgeImage(const ImageHeaderCopies& header,
                           std::optional<std::uint64_t> fileLength);

// Opens and reads `path` as the Browse and Upgrade handlers do, then judges it.
ImageInspection InspectImage(const std::string& path);

// The window's text for a refusal; empty for Ok.
std::string_view RefusalText(ImageVerdict verdict);

}  // namespace kr55le
