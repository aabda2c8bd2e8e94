#include "upgrade/image_inspection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/upgrade/temp_file.h"

namespace kr55le {
namespace {

using testing::MakeImage;
using testing::TempFile;

constexpr std::uint64_t kHeader = kImageHeaderSize;

ImageHeaderCopies Header(const std::string& kind, const std::string& version) {
  ImageHeaderCopies header;
  FillHeaderCopies(MakeImage(kind, version, {}), header);
  return header;
}

TEST(ImageInspection, FollowsTheWindowsOrderOfRefusals) {
  const struct {
    const char* name;
    const char* version;
    std::optional<std::uint64_t> length;
    ImageVerdict verdict;
  } cases[] = {
      {"accepted", "01.02.03", kHeader + 1, ImageVerdict::Ok},
      {"largest", "01.02.03", kHeader + kMaxPayloadSize, ImageVerdict::Ok},
      {"header only", "01.02.03", kHeader, ImageVerdict::Empty},
      {"one byte too many", "01.02.03", kHeader + kMaxPayloadSize + 1, ImageVerdict::TooLarge},
      {"shorter than its header", "01.02.03", kHeader - 1, ImageVerdict::TooLarge},
      {"length unknown", "01.02.03", std::nullopt, ImageVerdict::TooLarge},
      {"version before size", "1.2.3", kHeader, ImageVerdict::MalformedVersion},
      {"version before too large", "1.2.3", kHeader + kMaxPayloadSize + 1,
       ImageVerdict::MalformedVersion},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeImage(Header("Pardo", c.version), c.length).verdict, c.verdict) << c.name;
  }
}

TEST(ImageInspection, CountsBlocksWithTheFillerBlock) {
  const struct {
    std::uint64_t payload;
    std::uint32_t blocks;
    std::uint32_t filler;
  } cases[] = {
      {1, 1, 1007},
      {kBlockDataSize - 1, 1, 1},
      {kBlockDataSize, 2, kBlockDataSize},
      {kMaxPayloadSize, 2081, 496},
  };
  for (const auto& c : cases) {
    const ImageInspection inspection = JudgeImage(Header("AUDIO", "02.00.01"), kHeader + c.payload);
    EXPECT_EQ(inspection.payloadBytes, c.payload);
    EXPECT_EQ(inspection.plan.BlockCount(), c.blocks) << c.payload;
    EXPECT_EQ(inspection.plan.FillerBytes(), c.filler) << c.payload;
  }
}

TEST(ImageInspection, TellsKindAndVersionOfTheHeader) {
  const struct {
    const char* kind;
    ImageKindClass expected;
  } cases[] = {
      {"Pardo", ImageKindClass::Firmware},
      {"AUDIO", ImageKindClass::Audio},
      {"audio", ImageKindClass::Unknown},
  };
  for (const auto& c : cases) {
    const ImageInspection inspection = JudgeImage(Header(c.kind, "01.02.03"), kHeader + 1);
    EXPECT_EQ(inspection.kind, c.expected) << c.kind;
    EXPECT_EQ(inspection.version, "01.02.03");
    EXPECT_TRUE(inspection.versionWellFormed);
    // An image of unknown kind is still one the utility would send.
    EXPECT_TRUE(inspection.ok()) << c.kind;
  }
}

TEST(ImageInspection, LeavesThePayloadOutForAFileShorterThanItsHeader) {
  EXPECT_FALSE(JudgeImage(Header("Pardo", "01.02.03"), kHeader - 1).payloadBytes.has_value());
  EXPECT_EQ(JudgeImage(Header("Pardo", "01.02.03"), kHeader + kMaxPayloadSize + 1).payloadBytes,
            kMaxPayloadSize + 1);
}

TEST(ImageInspection, ReadsTheFileAsTheHandlersDo) {
  const TempFile file(MakeImage("AUDIO", "02.00.01", std::vector<std::uint8_t>(2000, 0xA5)),
                      std::to_string(::getpid()) + "-inspected.bin");
  const ImageInspection inspection = InspectImage(file.path());
  EXPECT_EQ(inspection.verdict, ImageVerdict::Ok);
  EXPECT_EQ(inspection.kind, ImageKindClass::Audio);
  EXPECT_EQ(inspection.payloadBytes, 2000u);
  EXPECT_EQ(InspectImage(file.path() + ".missing").verdict, ImageVerdict::CannotOpen);
}

TEST(ImageInspection, RefusalsReadAsTheWindowsTexts) {
  EXPECT_EQ(RefusalText(ImageVerdict::Ok), "");
  EXPECT_EQ(RefusalText(ImageVerdict::CannotOpen), "Please select the valid file");
  EXPECT_EQ(RefusalText(ImageVerdict::MalformedVersion), "Error: Invalid File");
  EXPECT_EQ(RefusalText(ImageVerdict::Empty), "Empty file selected");
  EXPECT_EQ(RefusalText(ImageVerdict::TooLarge), "File size too large");
}

}  // namespace
}  // namespace kr55le
