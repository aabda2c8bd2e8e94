#include "platform/console/notice_poll.h"

namespace kr55le::console {

// The Windows backends deliver their notices through window messages and give no descriptor.
bool IsReadable(int, int) {
  return false;
}

}  // namespace kr55le::console
