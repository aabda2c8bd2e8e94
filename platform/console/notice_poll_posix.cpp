#include <poll.h>

#include "platform/console/notice_poll.h"

namespace kr55le::console {

bool IsReadable(int descriptor) {
  pollfd watch{descriptor, POLLIN, 0};  // no timeout
  return ::poll(&watch, 1, 0) > 0 && (watch.revents & POLLIN) != 0;
}

}  // namespace kr55le::console
