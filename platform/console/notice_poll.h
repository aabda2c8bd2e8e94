// Whether a backend's notice descriptor has notices pending, waiting up to `waitMilliseconds`
// for one (0: not at all).
#pragma once

namespace kr55le::console {

bool IsReadable(int descriptor, int waitMilliseconds = 0);

}  // namespace kr55le::console
