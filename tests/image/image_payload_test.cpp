#include "image/image_payload.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/image_file.h"
#include "image/image_header.h"
#include "tests/support/temp_file.h"

namespace kr55le {
namespace {

using testing::MakeImage;
using testing::TempFile;

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  // Never 0x55, so a filler byte in the wrong place shows.
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 0x50);
  return bytes;
}

TEST(PayloadPlan, JudgesTheSizeBeforeReadingAnything) {
  constexpr std::uint64_t kHeader = kImageHeaderSize;
  struct Case {
    std::uint64_t fileLength;
    SizeVerdict verdict = SizeVerdict::TooLarge;
    std::uint32_t fullBlocks = 0;
    std::uint32_t filler = 0;
  };
  const Case cases[] = {
      {.fileLength = kHeader, .verdict = SizeVerdict::Empty},
      {.fileLength = 10},
      {.fileLength = 0},
      {.fileLength = kHeader - 1},
      {.fileLength = kHeader + 1, .verdict = SizeVerdict::Ok, .filler = 1007},
      {.fileLength = kHeader + 1007, .verdict = SizeVerdict::Ok, .filler = 1},
      {.fileLength = kHeader + 1008, .verdict = SizeVerdict::Ok, .fullBlocks = 1, .filler = 1008},
      {.fileLength = kHeader + 1010, .verdict = SizeVerdict::Ok, .fullBlocks = 1, .filler = 1006},
      {.fileLength = kHeader + 2016, .verdict = SizeVerdict::Ok, .fullBlocks = 2, .filler = 1008},
      {.fileLength = kHeader + 2097152,
       .verdict = SizeVerdict::Ok,
       .fullBlocks = 2080,
       .filler = 496},
      {.fileLength = kHeader + 2097153},
      // A length past 4 GiB must not wrap into a small payload.
      {.fileLength = (std::uint64_t{1} << 32) + kHeader + 100},
  };
  for (const auto& c : cases) {
    const PayloadPlan plan = PlanPayload(c.fileLength);
    EXPECT_EQ(plan.Verdict, c.verdict) << c.fileLength;
    if (c.verdict == SizeVerdict::Ok) {
      EXPECT_EQ(plan.PayloadSize, c.fileLength - kHeader);
      EXPECT_EQ(plan.FullBlockCount, c.fullBlocks) << c.fileLength;
      EXPECT_EQ(plan.FillerBytes(), c.filler) << c.fileLength;
    }
  }
  EXPECT_EQ(PlanPayload(std::nullopt).Verdict, SizeVerdict::TooLarge);
  EXPECT_EQ(PlanPayload(kHeader + 2097152).BlockCount(), 2081u);
}

TEST(ImagePayload, RefusedPlanReadsNothing) {
  ImagePayload staging;
  staging.Stage(std::vector<std::uint8_t>(3000, 0x01));
  TempFile file(std::vector<std::uint8_t>(64 + 2097153, 0x02));
  ImageFile image(file.path());
  EXPECT_EQ(staging.Load(image, PlanPayload(image.Length())), 0u);
  EXPECT_EQ(staging.Block(0)[0], 0x01);
}

TEST(ImagePayload, ShrunkFileReportsTheShortRead) {
  ImagePayload staging;
  TempFile file(MakeImage("Pardo", "01.02.03", Pattern(500)));
  ImageFile image(file.path());
  PayloadPlan plan = PlanPayload(64 + 2000);  // the length seen before the file shrank
  EXPECT_EQ(staging.Load(image, plan), 500u);
}

TEST(ImagePayload, BlockPastTheCapacityIsEmpty) {
  ImagePayload staging;
  EXPECT_EQ(staging.Block(kMaxBlockCount - 1).size(), kBlockDataSize);
  EXPECT_TRUE(staging.Block(kMaxBlockCount).empty());
}

}  // namespace
}  // namespace kr55le
