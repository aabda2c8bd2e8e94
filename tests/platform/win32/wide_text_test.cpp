// UTF-8 to UTF-16 and back at the system's edge, independent of the ANSI code page.
#include "platform/win32/wide_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "image/image_file.h"
#include "image/utf8_file.h"

namespace kr55le::win32 {
namespace {

TEST(WideTextTest, ConvertsBothWaysAndReplacesWhatIsNotText) {
  struct Case {
    std::string_view utf8;
    std::wstring_view utf16;
  };
  const Case cases[] = {
      {"", L""},
      {"firmware-01.02.00.bin", L"firmware-01.02.00.bin"},
      {"\xD0\xBE\xD0\xB1\xD1\x80\xD0\xB0\xD0\xB7", L"\u043E\u0431\u0440\u0430\u0437"},  // образ
      {"\xCE\xB5\xCE\xB9\xCE\xBA\xCF\x8C\xCE\xBD\xCE\xB1", L"\u03B5\u03B9\u03BA\u03CC\u03BD\u03B1"},
      {"\xE6\x98\xA0\xE5\x83\x8F", L"\u6620\u50CF"},  // 映像
      {"\xF0\x9F\x8E\xB9", L"\xD83C\xDFB9"},          // outside the BMP: a surrogate pair
      {std::string_view("a\0b", 3), std::wstring_view(L"a\0b", 3)},  // inner zeros kept
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Widen(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Narrow(c.utf16), c.utf8) << c.utf8;
  }
  EXPECT_EQ(Widen("a\xFF"
                  "b"),
            L"a\uFFFDb");
  EXPECT_EQ(Narrow(std::wstring_view(L"a\xD800"
                                     L"b")),
            "a\xEF\xBF\xBD"
            "b");
}

// The test executables carry no manifest: their ANSI code page is the system's (1252 under a
// Western locale), which has none of these letters.
TEST(WideTextTest, AFileOfAnyNameOpensByItsUtf8Name) {
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir());
  const std::string name =
      "\xD0\xBE\xD0\xB1\xD1\x80\xD0\xB0\xD0\xB7-\xCE\xB5\xCE\xB9\xCE\xBA\xCF\x8C\xCE\xBD\xCE\xB1-"
      "\xE6\x98\xA0\xE5\x83\x8F.bin";
  const std::string path = Narrow(folder.wstring()) + "/" + name;
  std::FILE* written = OpenUtf8File(path, "wb");
  ASSERT_NE(written, nullptr);
  ASSERT_GE(std::fputs("KR55", written), 0);
  ASSERT_EQ(std::fclose(written), 0);
  EXPECT_TRUE(std::filesystem::exists(folder / Widen(name)));

  ImageFile image(path);
  ASSERT_TRUE(image.IsOpen());
  EXPECT_EQ(image.Length(), 4u);
  image.Close();
  std::filesystem::remove(Utf8Path(path));
}

}  // namespace
}  // namespace kr55le::win32
