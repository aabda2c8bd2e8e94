#include "image/image_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/image_file.h"
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
  struct Case {
    std::string tag;
    ImageKindClass kind;
  };
  const Case cases[] = {
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
  struct Case {
    std::string version;
    bool wellFormed;
    std::string shown;
  };
  const Case cases[] = {
      {"01.02.03", true, "01.02.03"},  {"ab.cd.ef", true, "ab.cd.ef"},
      {"...", false, "..."},           {"  .  .", true, "  .  ."},
      {"1.2.3", false, "1.2.3"},       {"0102.03.", false, "0102.03."},
      {"01-02-03", false, "01-02-03"}, {"", false, ""},
  };
  for (const auto& c : cases) {
    const auto copies = HeaderOf(MakeImage("Pardo", c.version, {}));
    EXPECT_EQ(copies.IsVersionWellFormed(), c.wellFormed) << c.version;
    EXPECT_EQ(copies.VersionText(), c.shown);
    EXPECT_EQ(copies.ImageVersion[8], 0);
  }
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

}  // namespace
}  // namespace kr55le
