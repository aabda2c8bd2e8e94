// Files by their UTF-8 names on Windows: a path longer than MAX_PATH opens, and a name that
// lost an unpaired UTF-16 surrogate on its way to UTF-8 opens no file, never another one.
#include "image/utf8_file.h"

#include "platform/win32/windows_headers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/image_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kr55le::win32 {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::wstring_view kLong = L"\\\\?\\";

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

// Folders one in another down to a path of more than 300 characters, made through \\?\ and
// removed with everything in them after the test.
class LongPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring path = TempFolder();
    ASSERT_TRUE(::CreateDirectoryW((std::wstring(kLong) + path).c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    folders_.push_back(path);
    for (int level = 0; path.size() <= 300; ++level) {
      path += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + level));
      ASSERT_TRUE(::CreateDirectoryW((std::wstring(kLong) + path).c_str(), nullptr))
          << ::GetLastError();
      folders_.push_back(path);
    }
    deepest_ = path;
  }
  void TearDown() override {
    for (const std::wstring& file : files_) ::DeleteFileW((std::wstring(kLong) + file).c_str());
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
      ::RemoveDirectoryW((std::wstring(kLong) + *folder).c_str());
    }
  }
  std::wstring MakeFile(const std::wstring& path, std::string_view bytes) {
    files_.push_back(path);
    EXPECT_TRUE(WriteFileAt(std::wstring(kLong) + path, bytes)) << ::GetLastError();
    return path;
  }
  std::wstring deepest_;
  std::vector<std::wstring> folders_;
  std::vector<std::wstring> files_;
};

TEST_F(LongPathTest, AnImageUnderAFolderPathLongerThanMaxPathOpens) {
  const std::wstring image = MakeFile(deepest_ + L"\\image.bin", "KR55");
  ASSERT_GT(image.size(), static_cast<std::size_t>(MAX_PATH));
  // As the file dialog gives it, and as a person may type it: slashes, a ".." on the way.
  const std::wstring parent = deepest_.substr(0, deepest_.rfind(L'\\'));
  const std::wstring last = deepest_.substr(deepest_.rfind(L'\\') + 1);
  for (const std::wstring& name : {image, parent + L"/" + last + L"/../" + last + L"/image.bin"}) {
    SCOPED_TRACE(Narrow(name));
    std::FILE* file = OpenUtf8File(Narrow(name), "rb");
    ASSERT_NE(file, nullptr) << "errno " << errno;
    EXPECT_EQ(ReadAll(file), "KR55");
    std::fclose(file);
    ImageFile opened(Narrow(name));
    ASSERT_TRUE(opened.IsOpen());
    EXPECT_EQ(opened.Length(), 4u);
  }
}

TEST_F(LongPathTest, AFileOfALongPathIsWritten) {
  const std::wstring path = deepest_ + L"\\record.jsonl";
  files_.push_back(path);
  std::FILE* file = OpenUtf8File(Narrow(path), "wb");
  ASSERT_NE(file, nullptr) << "errno " << errno;
  ASSERT_GE(std::fputs("{}\n", file), 0);
  ASSERT_EQ(std::fclose(file), 0);
  EXPECT_NE(::GetFileAttributesW((std::wstring(kLong) + path).c_str()), INVALID_FILE_ATTRIBUTES);
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

// The command line's: kr55le-flash says it cannot open the image, and nothing else.
TEST_F(SurrogateNameTest, ANameOnTheCommandLineIsRefusedAsAFileThatDoesNotOpen) {
  std::string flash = KR55LE_FLASH_EXE;
  if (flash.starts_with('/')) flash = "Z:" + flash;  // the build's own path, under Wine
  std::wstring commandLine = L"\"" + Widen(flash) + L"\" inspect \"" + surrogate_ + L"\"";
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherited, 0));
  UniqueHandle output(readEnd);
  UniqueHandle childOutput(writeEnd);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               nullptr, &startup, &started))
      << ::GetLastError();
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  childOutput.Reset();
  std::string printed;
  char chunk[256];
  DWORD got = 0;
  while (::ReadFile(output.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
    printed.append(chunk, got);
  }
  ASSERT_EQ(::WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
  DWORD status = 0;
  ::GetExitCodeProcess(process.Get(), &status);
  EXPECT_NE(status, 0u);
  EXPECT_EQ(printed, "verdict: Please select the valid file\n");
}

}  // namespace
}  // namespace kr55le::win32
