#include "image/image_file.h"

#include <sys/stat.h>

#include <climits>

#include "image/utf8_file.h"

namespace kr55le {

ImageFile::ImageFile(const std::string& path) {
  // A directory or a device node may open for reading, but its "length" is whatever seeking to
  // its end says: only a regular file is an image.
#ifdef _WIN32
  // Asked of the open file: the path functions stop at 260 characters where fopen does not, and
  // a device name such as NUL opens.
  file_ = OpenUtf8File(path, "rb");
  struct _stat64 status {};
  if (file_ != nullptr &&
      (::_fstat64(::_fileno(file_), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)) {
    Close();
  }
#else
  // Asked before opening: opening a pipe waits for a writer.
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    file_ = std::fopen(path.c_str(), "rb");
  }
#endif
}

ImageFile::~ImageFile() {
  Close();
}

void ImageFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

std::optional<std::uint64_t> ImageFile::Length() {
  if (file_ == nullptr || std::fseek(file_, 0, SEEK_END) != 0) return std::nullopt;
  const long end = std::ftell(file_);
  if (end < 0) return std::nullopt;
  return static_cast<std::uint64_t>(end);
}

std::size_t ImageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) {
  if (file_ == nullptr || offset > static_cast<std::uint64_t>(LONG_MAX)) return 0;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return 0;
  return std::fread(bytes.data(), 1, bytes.size(), file_);
}

}  // namespace kr55le
