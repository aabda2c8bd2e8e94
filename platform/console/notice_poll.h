// Whether a backend's notice descriptor has notices pending, without blocking.
#pragma once

namespace kr55le::console {

bool IsReadable(int descriptor);

}  // namespace kr55le::console
