#include <sys/stat.h>

#include "image/regular_file.h"
#include "image/utf8_file.h"

namespace kr55le {

std::FILE* OpenRegularFile(const std::string& path) {
  // Asked of the open file: the path functions stop at 260 characters where fopen does not, and
  // a device name such as NUL opens.
  std::FILE* file = OpenUtf8File(path, "rb");
  struct _stat64 status {};
  if (file != nullptr &&
      (::_fstat64(::_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace kr55le
