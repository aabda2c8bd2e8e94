#include <sys/stat.h>

#include "image/regular_file.h"

namespace kr55le {

std::FILE* OpenRegularFile(const std::string& path) {
  // Asked before opening: opening a pipe waits for a writer.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
  return std::fopen(path.c_str(), "rb");
}

}  // namespace kr55le
