#include "image/image_payload.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/image_file.h"
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
  struct Case {
    std::uint64_t fileLength;
    SizeVerdict verdict;
    std::uint32_t fullBlocks;
    std::uint32_t filler;
  };
  const Case cases[] = {
      {64, SizeVerdict::Empty, 0, 0},
      {10, SizeVerdict::TooLarge, 0, 0},
      {0, SizeVerdict::TooLarge, 0, 0},
      {63, SizeVerdict::TooLarge, 0, 0},
      {64 + 1, SizeVerdict::Ok, 0, 1007},
      {64 + 1007, SizeVerdict::Ok, 0, 1},
      {64 + 1008, SizeVerdict::Ok, 1, 1008},
      {64 + 1010, SizeVerdict::Ok, 1, 1006},
      {64 + 2016, SizeVerdict::Ok, 2, 1008},
      {64 + 2097152, SizeVerdict::Ok, 2080, 496},
      {64 + 2097153, SizeVerdict::TooLarge, 0, 0},
      // A length past 4 GiB must not wrap into a small payload.
      {(std::uint64_t{1} << 32) + 64 + 100, SizeVerdict::TooLarge, 0, 0},
  };
  for (const auto& c : cases) {
    const PayloadPlan plan = PlanPayload(c.fileLength);
    EXPECT_EQ(plan.Verdict, c.verdict) << c.fileLength;
    if (c.verdict == SizeVerdict::Ok) {
      EXPECT_EQ(plan.PayloadSize, c.fileLength - 64);
      EXPECT_EQ(plan.FullBlockCount, c.fullBlocks) << c.fileLength;
      EXPECT_EQ(plan.FillerBytes(), c.filler) << c.fileLength;
    }
  }
  EXPECT_EQ(PlanPayload(std::nullopt).Verdict, SizeVerdict::TooLarge);
  EXPECT_EQ(PlanPayload(64 + 2097152).BlockCount(), 2081u);
}

TEST(ImagePayload, LoadsBlocksWithFillerAfterThePayload) {
  ImagePayload staging;
  for (std::size_t size : {1u, 1007u, 1008u, 1010u, 2016u, 2097152u}) {
    const auto payload = Pattern(size);
    TempFile file(MakeImage("Pardo", "01.02.03", payload));
    ImageFile image(file.path());
    const PayloadPlan plan = PlanPayload(image.Length());
    ASSERT_EQ(plan.Verdict, SizeVerdict::Ok) << size;
    ASSERT_EQ(staging.Load(image, plan), size);

    std::vector<std::uint8_t> sent;
    for (std::uint32_t n = 0; n < plan.BlockCount(); ++n) {
      const auto block = staging.Block(n);
      ASSERT_EQ(block.size(), kBlockDataSize);
      sent.insert(sent.end(), block.begin(), block.end());
    }
    ASSERT_EQ(sent.size(), size + plan.FillerBytes());
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), sent.begin())) << size;
    EXPECT_TRUE(std::all_of(sent.begin() + static_cast<long>(size), sent.end(), [](std::uint8_t b) {
      return b == kFillerByte;
    })) << size;
  }
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
