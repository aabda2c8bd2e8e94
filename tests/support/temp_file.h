// Files in the test's temporary folder, each at a path of its own, removed with their object.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace kr55le::testing {

// A path in the test's temporary folder, ending in `name`, that no other test uses. Tests run in
// parallel processes that share that folder, so the path carries the running test's name (with
// a count for several paths in one test) and a random number (for the same test run by two
// builds at once).
inline std::filesystem::path UniqueTempPath(const std::string& name) {
  static int counter = 0;
  std::string stem = "kr55le";
  if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
    stem += std::string("-") + test->test_suite_name() + "-" + test->name();
  }
  for (char& c : stem) {
    if (c == '/') c = '_';  // parameterised tests have slashes in their names
  }
  return std::filesystem::path(::testing::TempDir()) /
         (stem + "-" + std::to_string(counter++) + "-" + std::to_string(std::random_device{}()) +
          "-" + name);
}

class TempFile {
 public:
  explicit TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name = "image.bin")
      : path_(UniqueTempPath(name)) {
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { std::filesystem::remove(path_); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// A 64-byte header with the given kind tag and version text, then `payload`.
inline std::vector<std::uint8_t> MakeImage(const std::string& kind, const std::string& version,
                                           const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> bytes(64, 0);
  for (std::size_t i = 0; i < 16; ++i) bytes[i] = static_cast<std::uint8_t>(i + 1);
  std::copy_n(kind.begin(), std::min<std::size_t>(kind.size(), 8), bytes.begin() + 32);
  std::copy_n(version.begin(), std::min<std::size_t>(version.size(), 8), bytes.begin() + 48);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

}  // namespace kr55le::testing
