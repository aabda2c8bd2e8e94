// The hold on idle sleep as Windows gives it: the calling thread's execution state asks for the
// system to stay up until it is set back. It does not hold off a shutdown, nor a sleep the user
// asks for (the window holds off a shutdown itself: shutdown_block.h).
#pragma once

#include <memory>

#include "window/system_hold.h"

namespace kr55le::win32 {

// Null when the system refuses the execution state. The hold must end on the thread that took
// it, as the state belongs to the thread.
std::unique_ptr<SystemHold> TakeExecutionStateHold();

}  // namespace kr55le::win32
