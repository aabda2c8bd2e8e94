// A FILE* that writes into memory, for output that production code sends to a stream.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kr55le::testing {

class MemoryStream {
 public:
  MemoryStream() : file_(::open_memstream(&buffer_, &size_)) {}
  ~MemoryStream() {
    std::fclose(file_);
    std::free(buffer_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  std::FILE* file() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace kr55le::testing
