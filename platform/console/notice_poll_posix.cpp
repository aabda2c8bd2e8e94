#include <poll.h>

#include "platform/console/notice_poll.h"

namespace kr55le::console {

bool IsReadable(int descriptor, int waitMilliseconds) {
  pollfd watch{descriptor, POLLIN, 0};
  return ::poll(&watch, 1, waitMilliseconds) > 0 && (watch.revents & POLLIN) != 0;
}

void DispatchThreadMessages() {}

}  // namespace kr55le::console
