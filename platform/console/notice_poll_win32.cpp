#include "platform/console/notice_poll.h"

#include <windows.h>

namespace kr55le::console {

// The Windows backends deliver their notices through window messages and give no descriptor.
bool IsReadable(int, int) {
  return false;
}

void DispatchThreadMessages() {
  // Peeking also runs the window procedure for messages sent from other threads, as the
  // device-change notices are.
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

}  // namespace kr55le::console
