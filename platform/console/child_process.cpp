#include "platform/console/child_process.h"

namespace kr55le::console {

void LineAssembler::Add(const char* bytes, std::size_t count) {
  pending_.append(bytes, count);
  std::size_t start = 0;
  for (std::size_t end = pending_.find('\n'); end != std::string::npos;
       end = pending_.find('\n', start)) {
    std::size_t length = end - start;
    if (length > 0 && pending_[end - 1] == '\r') --length;
    sink_(pending_.substr(start, length));
    start = end + 1;
  }
  pending_.erase(0, start);
}

void LineAssembler::Finish() {
  if (pending_.empty()) return;
  sink_(std::exchange(pending_, {}));
}

}  // namespace kr55le::console
