#include "platform/console/reader_gone.h"

namespace kr55le::console {

void KeepWritesFromEndingProgram() {}

bool ReaderGone(std::FILE* stream) {
  // The write end of an anonymous pipe cannot be asked about its reader (PeekNamedPipe needs the
  // reading end), so a failed write is the sign.
  return std::ferror(stream) != 0;
}

}  // namespace kr55le::console
