// Waiting for a backend's hot-plug notices: a descriptor to poll (Linux), or window messages to
// the calling thread (Windows), which only reach their window while that thread dispatches them.
#pragma once

namespace kr55le::console {

// Whether a backend's notice descriptor has notices pending, waiting up to `waitMilliseconds`
// for one (0: not at all).
bool IsReadable(int descriptor, int waitMilliseconds = 0);

// Dispatches the window messages sent or posted to the calling thread, without waiting. The
// Windows backend's message-only window gets its notices so; elsewhere there are none.
void DispatchThreadMessages();

}  // namespace kr55le::console
