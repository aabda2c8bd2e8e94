#include "platform/linux/small_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/linux/hidraw_errors.h"
#include "platform/posix/file_descriptor.h"

namespace kr55le {

hid::HidResult ReadSmallFile(const std::filesystem::path& path, std::size_t limit,
                             std::vector<std::uint8_t>& contents) {
  contents.clear();
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) {
    const int error = errno;
    return SystemFailure(OpenErrorClass(error), error, "open(" + path.string() + ")");
  }
  // One byte more than the bound tells a file that is too long from one that fits exactly.
  contents.resize(limit + 1);
  std::size_t filled = 0;
  while (filled < contents.size()) {
    const ssize_t got = ::read(file.get(), contents.data() + filled, contents.size() - filled);
    if (got == 0) break;
    if (got < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      contents.clear();
      return SystemFailure(hid::HidError::Io, error, "read(" + path.string() + ")");
    }
    filled += static_cast<std::size_t>(got);
  }
  if (filled > limit) {
    contents.clear();
    hid::HidResult result;
    result.error = hid::HidError::TooLong;
    result.message = "read(" + path.string() + "): more than " + std::to_string(limit) + " bytes";
    return result;
  }
  contents.resize(filled);
  return {};
}

}  // namespace kr55le
