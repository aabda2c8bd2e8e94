#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/image_file.h"
#include "image/image_header.h"
#include "image/image_payload.h"
#include "tests/support/temp_file.h"

namespace kr55le {
namespace {

using testing::MakeImage;
using testing::TempFile;

ImageHeaderCopies HeaderOf(const std::vector<std::uint8_t>& bytes) {
  ImageHeaderCopies copies;
  FillHeaderCopies(bytes, copies);
  return copies;
}

TEST(ImageHeader, ClassifiesTheKindByItsFirstFiveBytes) {
  const struct {
    std::string tag;
    ImageKindClass kind;
  } cases[] = {
      {"Pardo", ImageKindClass::Firmware},
      {std::string("Pardo\xff\x01z", 8), ImageKindClass::Firmware},
      {"AUDIO", ImageKindClass::Audio},
      {"AUDIOxyz", ImageKindClass::Audio},
      {"pardo", ImageKindClass::Unknown},
      {"PARDO", ImageKindClass::Unknown},
      {"AUD1O", ImageKindClass::Unknown},
      {"AUDI0", ImageKindClass::Unknown},
      {"Pard", ImageKindClass::Unknown},
      {"", ImageKindClass::Unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderOf(MakeImage(c.tag, "01.00.00", {})).Kind(), c.kind) << c.tag;
  }
}

TEST(ImageHeader, VersionNeedsDotsAtItsThirdAndSixthCharacter) {
  const struct {
    std::string version;
    bool wellFormed;
  } cases[] = {
      {"01.02.03", true}, {"ab.cd.ef", true},  {"...", false},      {"  .  .", true},
      {"1.2.3", false},   {"0102.03.", false}, {"01-02-03", false}, {"", false},
  };
  for (const auto& c : cases) {
    const auto copies = HeaderOf(MakeImage("Pardo", c.version, {}));
    EXPECT_EQ(copies.IsVersionWellFormed(), c.wellFormed) << c.version;
    EXPECT_EQ(copies.VersionText(), c.version);  // shown as it stands, well formed or not
    EXPECT_EQ(copies.ImageVersion[8], 0);
  }
}

// What the image check request carries: the header fields last byte first, kind and version.
TEST(ImageHeader, CheckFieldsHoldTheHeaderFieldsReversedThenKindAndVersion) {
  using Field = std::array<std::uint8_t, kHeaderFieldSize>;
  const ImageCheckFields fields = HeaderOf(MakeImage("Pardo", "01.00.01", {})).CheckFields();
  EXPECT_EQ(fields.HeaderField1, (Field{8, 7, 6, 5, 4, 3, 2, 1}));  // header bytes 0..15: 1..16
  EXPECT_EQ(fields.HeaderField2, (Field{16, 15, 14, 13, 12, 11, 10, 9}));
  EXPECT_EQ(fields.ImageKind, (Field{'P', 'a', 'r', 'd', 'o', 0, 0, 0}));
  EXPECT_EQ(fields.ImageVersion, (Field{'0', '1', '.', '0', '0', '.', '0', '1'}));
}

TEST(ImageHeader, ShortFileDoesNotMixInTheImageReadBefore) {
  ImageHeaderCopies copies;
  TempFile full(MakeImage("AUDIO", "09.09.09", std::vector<std::uint8_t>(10, 1)));
  ImageFile first(full.path());
  EXPECT_EQ(ReadImageHeader(first, copies), 64u);
  EXPECT_EQ(copies.Kind(), ImageKindClass::Audio);

  TempFile shortFile(std::vector<std::uint8_t>(10, 0x77));
  ImageFile second(shortFile.path());
  EXPECT_EQ(ReadImageHeader(second, copies), 10u);
  EXPECT_EQ(copies.Kind(), ImageKindClass::Unknown);
  EXPECT_FALSE(copies.IsVersionWellFormed());
  EXPECT_EQ(copies.VersionText(), "");
  EXPECT_EQ(copies.HeaderField1,
            (std::array<std::uint8_t, 8>{0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77}));
  EXPECT_EQ(copies.HeaderField2, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 0, 0, 0x77, 0x77}));
}

TEST(ImageHeader, UnopenableFileReadsNothing) {
  ImageFile missing(::testing::TempDir() + "/no-such-image.bin");
  EXPECT_FALSE(missing.IsOpen());
  ImageHeaderCopies copies = HeaderOf(MakeImage("Pardo", "01.02.03", {}));
  EXPECT_EQ(ReadImageHeader(missing, copies), 0u);
  EXPECT_EQ(copies.Kind(), ImageKindClass::Unknown);
  EXPECT_FALSE(missing.Length().has_value());
}

TEST(PayloadPlan, JudgesTheSizeBeforeReadingAnything) {
  constexpr std::uint64_t kHeader = kImageHeaderSize;
  const struct {
    std::uint64_t fileLength;
    SizeVerdict verdict = SizeVerdict::TooLarge;
    std::uint32_t fullBlocks = 0;
    std::uint32_t filler = 0;
  } cases[] = {
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
  TempFile file(MakeImage("Pardo", "01.02.03", std::vector<std::uint8_t>(500, 0x01)));
  ImageFile image(file.path());
  EXPECT_EQ(staging.Load(image, PlanPayload(64 + 2000)), 500u);  // planned before it shrank
}

TEST(ImagePayload, BlockPastTheCapacityIsEmpty) {
  ImagePayload staging;
  EXPECT_EQ(staging.Block(kMaxBlockCount - 1).size(), kBlockDataSize);
  EXPECT_TRUE(staging.Block(kMaxBlockCount).empty());
}

}  // namespace
}  // namespace kr55le
