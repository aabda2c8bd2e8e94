// A device's serial number where it leaves the device: as a word of a command line, and in the
// names of the files a command writes for each of several devices.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kr55le {

// The serial number as --serial takes it: each byte the character U+0000-U+00FF of its value (as
// --json writes it), in UTF-8. Any bytes then pass a command line intact, also one that Windows
// turns into UTF-16 and back; ASCII stands as it is.
std::string SerialWord(std::string_view serial);

// The files of one command's devices, each named after its serial number, no two alike.
class DeviceFileNames {
 public:
  explicit DeviceFileNames(std::string path) : path_(std::move(path)) {}

  // The path with "-SERIAL" before its extension, each character of the serial number but a
  // letter, a digit, '-' and '_' written '_' (a serial number names no folder and sends no
  // control character). An empty serial number, or a name given before (letter case aside, as
  // Windows compares names), gets "~N" after it, the lowest N from 1 that gives a new name.
  std::string For(std::string_view serial);

 private:
  bool Given(const std::string& name) const;

  std::string path_;
  std::vector<std::string> given_;
};

}  // namespace kr55le
