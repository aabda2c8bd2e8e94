#include "image/image_file.h"

#include <climits>

#include "image/regular_file.h"

namespace kr55le {

ImageFile::ImageFile(const std::string& path) : file_(OpenRegularFile(path)) {}

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
