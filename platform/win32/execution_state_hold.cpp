#include "platform/win32/execution_state_hold.h"

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {
namespace {

class ExecutionStateHold final : public SystemHold {
 public:
  ~ExecutionStateHold() override { ::SetThreadExecutionState(ES_CONTINUOUS); }
};

}  // namespace

std::unique_ptr<SystemHold> TakeExecutionStateHold() {
  if (::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0) return nullptr;
  return std::make_unique<ExecutionStateHold>();
}

}  // namespace kr55le::win32
