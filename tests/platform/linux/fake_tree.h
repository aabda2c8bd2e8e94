// A sysfs tree and a device folder in the test's temporary folder, removed when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_file.h"

namespace kr55le::testing {

// Text or bytes.
template <typename Contents>
void WriteFile(const std::filesystem::path& path, const Contents& contents) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << std::string(contents.begin(), contents.end());
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder of its own under the test's temporary folder.
class TempFolder {
 public:
  TempFolder() { std::filesystem::create_directories(root_); }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return root_; }

 private:
  std::filesystem::path root_ = UniqueTempPath("folder");
};

// sys/class/hidraw/<name>/device/{uevent,report_descriptor} and a device folder with capitals.
class FakeTree {
 public:
  FakeTree() {
    std::filesystem::create_directories(sysfs());
    std::filesystem::create_directories(devices());
  }

  std::filesystem::path sysfs() const { return folder_.path() / "sys"; }
  std::filesystem::path devices() const { return folder_.path() / "FakeDev"; }

  void AddHidraw(const std::string& name, const std::string& uevent,
                 const std::vector<std::uint8_t>& descriptor = {}) {
    const auto parent = sysfs() / "class/hidraw" / name / "device";
    WriteFile(parent / "uevent", uevent);
    WriteFile(parent / "report_descriptor", descriptor);
  }

  // A regular file standing in for the device node.
  std::filesystem::path AddNode(const std::string& name) {
    const auto node = devices() / name;
    WriteFile(node, std::string());
    return node;
  }

 private:
  TempFolder folder_;
};

}  // namespace kr55le::testing
