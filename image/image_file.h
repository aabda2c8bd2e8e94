// An image file opened for binary reading, closed when the object goes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

namespace kr55le {

class ImageFile {
 public:
  // Opens `path` with mode "rb"; IsOpen() tells whether that worked and `path` is a regular
  // file (a directory or a device node is not an image).
  explicit ImageFile(const std::string& path);
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void Close();

  // The file's length in bytes (seek to the end, tell), or nothing if that fails.
  std::optional<std::uint64_t> Length();
  // Reads up to bytes.size() bytes from `offset` in one read call; returns how many it got.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace kr55le
