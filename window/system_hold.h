// A hold on the system's sleep, hibernation and shutdown (also on a closed lid): while it lives
// the system stays up. A transfer takes one from its start request to its end, so that the
// device is not left half-written.
#pragma once

#include <functional>
#include <memory>

namespace kr55le {

class SystemHold {
 public:
  virtual ~SystemHold() = default;
};

// Takes a hold; null when the platform gives none (the source says why).
using SystemHoldSource = std::function<std::unique_ptr<SystemHold>()>;

}  // namespace kr55le
