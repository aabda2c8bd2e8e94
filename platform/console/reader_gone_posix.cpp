#include <poll.h>
#include <signal.h>

#include "platform/console/reader_gone.h"

namespace kr55le::console {

void KeepWritesFromEndingProgram() {
  ::signal(SIGPIPE, SIG_IGN);
}

bool ReaderGone(std::FILE* stream) {
  // No events asked for: only the error and the hang-up, which poll always reports.
  pollfd polled{::fileno(stream), 0, 0};
  return ::poll(&polled, 1, 0) == 1 && (polled.revents & (POLLERR | POLLHUP)) != 0;
}

}  // namespace kr55le::console
