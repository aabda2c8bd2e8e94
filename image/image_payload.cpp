#include "image/image_payload.h"

#include <algorithm>

#include "image/image_file.h"
#include "image/image_header.h"

namespace kr55le {

std::uint32_t PayloadPlan::FillerBytes() const {
  return BlockCount() * static_cast<std::uint32_t>(kBlockDataSize) - PayloadSize;
}

PayloadPlan PlanPayload(std::optional<std::uint64_t> fileLength) {
  PayloadPlan plan;
  if (!fileLength || *fileLength < kImageHeaderSize) return plan;
  const std::uint64_t size = *fileLength - kImageHeaderSize;
  if (size > kMaxPayloadSize) return plan;
  plan.PayloadSize = static_cast<std::uint32_t>(size);
  plan.FullBlockCount = plan.PayloadSize / kBlockDataSize;
  plan.Verdict = size == 0 ? SizeVerdict::Empty : SizeVerdict::Ok;
  return plan;
}

ImagePayload::ImagePayload() : bytes_(std::make_unique<std::uint8_t[]>(kStagingCapacity)) {}

std::uint32_t ImagePayload::Load(ImageFile& file, const PayloadPlan& plan) {
  if (plan.Verdict != SizeVerdict::Ok) return 0;
  const std::size_t got = file.ReadAt(kImageHeaderSize, std::span(bytes_.get(), plan.PayloadSize));
  ApplyFiller(plan.PayloadSize);
  return static_cast<std::uint32_t>(got);
}

void ImagePayload::Stage(std::span<const std::uint8_t> payload) {
  const std::size_t size = std::min<std::size_t>(payload.size(), kMaxPayloadSize);
  std::copy_n(payload.begin(), size, bytes_.get());
  ApplyFiller(static_cast<std::uint32_t>(size));
}

void ImagePayload::ApplyFiller(std::uint32_t payloadSize) {
  const std::size_t end = (payloadSize / kBlockDataSize + 1) * kBlockDataSize;
  std::fill(bytes_.get() + payloadSize, bytes_.get() + end, kFillerByte);
}

std::span<const std::uint8_t> ImagePayload::Block(std::uint32_t n) const {
  if (n >= kMaxBlockCount) return {};
  return std::span<const std::uint8_t>(bytes_.get() + std::size_t{n} * kBlockDataSize,
                                       kBlockDataSize);
}

}  // namespace kr55le
