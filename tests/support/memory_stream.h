// A FILE* whose output the test reads back, for output that production code sends to a stream.
// It is a file in the test's temporary folder, which every platform has (memory streams are
// POSIX only).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/temp_file.h"

namespace kr55le::testing {

class MemoryStream {
 public:
  MemoryStream()
      : path_(UniqueTempPath("stream")), file_(std::fopen(path_.string().c_str(), "wb+")) {}
  ~MemoryStream() {
    if (file_ != nullptr) std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  std::FILE* file() { return file_; }
  // For another thread to read what was flushed so far, through a stream of its own.
  const std::filesystem::path& path() const { return path_; }
  std::string Text() {
    std::string text;
    if (file_ == nullptr) return text;
    std::fflush(file_);
    const long end = std::ftell(file_);
    std::rewind(file_);
    text.resize(end > 0 ? static_cast<std::size_t>(end) : 0);
    text.resize(std::fread(text.data(), 1, text.size(), file_));
    std::fseek(file_, 0, SEEK_END);
    return text;
  }

 private:
  std::filesystem::path path_;
  std::FILE* file_;
};

}  // namespace kr55le::testing
