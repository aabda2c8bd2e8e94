// Files by their UTF-8 names on Windows: a path longer than MAX_PATH goes to the system whole
// after \\?\ (Wine takes long paths either way, so the form is what is checked), and a name
// that lost an unpaired UTF-16 surrogate on its way to UTF-8 opens no file, never another one.
#include "image/utf8_file.h"

#include "platform/win32/windows_headers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "image/image_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kr55le::win32 {
namespace {

// The test's temporary folder, as a full path with backslashes and without the last one.
std::wstring TempFolder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  std::wstring path(folder, length);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path + L"\\kr55le-" + std::to_wstring(::GetCurrentProcessId());
}

bool WriteFileAt(const std::wstring& extendedPath, std::string_view bytes) {
  UniqueHandle file(::CreateFileW(extendedPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

std::string ReadAll(std::FILE* file) {
  std::string bytes;
  char chunk[64];
  while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, file)) bytes.append(chunk, got);
  return bytes;
}

TEST(SystemFileNameTest, ALongNameIsGivenWholeAfterTheExtendedPrefix) {
  const std::string folder = Narrow(TempFolder());
  const std::string segment(100, 's');
  const std::string longName = folder + "/" + segment + "/x/../" + segment + "/" + segment + "/f";
  const std::wstring extended = SystemFileName(longName);
  EXPECT_EQ(extended, L"\\\\?\\" + TempFolder() + L"\\" + Widen(segment) + L"\\" + Widen(segment) +
                          L"\\" + Widen(segment) + L"\\f");

  const std::string share = R"(\\server\share\)" + segment + "\\" + segment + "\\" + segment;
  EXPECT_EQ(SystemFileName(share), L"\\\\?\\UNC\\server\\share\\" + Widen(segment) + L"\\" +
                                       Widen(segment) + L"\\" + Widen(segment));
  // Already extended, or short: as it is (a short name keeps every meaning it has, "NUL" too).
  EXPECT_EQ(SystemFileName(Narrow(extended)), extended);
  for (const char* name : {"image.bin", "C:/images/image.bin", R"(\\server\share\image.bin)", "NUL",
                           "\xD0\xBE\xD0\xB1\xD1\x80\xD0\xB0\xD0\xB7.bin"}) {
    EXPECT_EQ(SystemFileName(name), Widen(name)) << name;
  }
}

TEST(SystemFileNameTest, ANameThatNoFileHasGivesNone) {
  EXPECT_EQ(SystemFileName(""), L"");
  EXPECT_EQ(SystemFileName(std::string_view("image\0.bin", 10)), L"");  // not "image"
  EXPECT_EQ(SystemFileName("image\xFF.bin"), L"");                      // not UTF-8
  EXPECT_EQ(SystemFileName("image\xEF\xBF\xBD.bin"), L"");              // U+FFFD
}

// A file's name may hold an unpaired surrogate; UTF-8 cannot, and Narrow makes it U+FFFD. Had
// the name been opened so, it would have opened the file beside it whose name has U+FFFD there.
class SurrogateNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempFolder() + L"-surrogate";
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    surrogate_ = folder_ + L"\\image-\xD800.bin";
    replaced_ = folder_ + L"\\image-\xFFFD.bin";
    // NTFS takes the name; Wine, whose files have UTF-8 names, refuses it (not found). Either
    // way the program must not open the file beside it.
    WriteFileAt(surrogate_, "surrogate");
    ASSERT_TRUE(WriteFileAt(replaced_, "replacement"));
  }
  void TearDown() override {
    ::DeleteFileW(surrogate_.c_str());
    ::DeleteFileW(replaced_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
  std::wstring surrogate_;
  std::wstring replaced_;
};

TEST_F(SurrogateNameTest, ANameFromTheFileDialogOpensNoFileNotTheOneBesideIt) {
  // What ShowOpenFileDialog gives for the chosen file.
  const std::string chosen = Narrow(surrogate_);
  std::FILE* file = OpenUtf8File(chosen, "rb");
  if (file != nullptr) {
    ADD_FAILURE() << "opened a file holding \"" << ReadAll(file) << "\"";
    std::fclose(file);
  }
  EXPECT_FALSE(ImageFile(chosen).IsOpen());
}

}  // namespace
}  // namespace kr55le::win32
