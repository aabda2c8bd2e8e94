#include "platform/win32/shutdown_block.h"

#include <cstdint>

#include "platform/win32/wide_text.h"
#include "res/strings.h"

namespace kr55le::win32 {
namespace {

// The window's count of live blocks, kept on the window itself.
constexpr wchar_t kBlockProperty[] = L"kr55le-shutdown-blocks";

std::uintptr_t Blocks(HWND window) {
  return reinterpret_cast<std::uintptr_t>(::GetPropW(window, kBlockProperty));
}

void SetBlocks(HWND window, std::uintptr_t count) {
  if (count == 0) {
    ::RemovePropW(window, kBlockProperty);
  } else {
    ::SetPropW(window, kBlockProperty, reinterpret_cast<HANDLE>(count));
  }
}

class ShutdownBlock final : public SystemHold {
 public:
  explicit ShutdownBlock(HWND window) : window_(window) {
    SetBlocks(window_, Blocks(window_) + 1);
    // The reason is only shown: the answer to WM_QUERYENDSESSION is what holds the shutdown off.
    ::ShutdownBlockReasonCreate(window_, Widen(text::kHoldWhy).c_str());
  }
  ~ShutdownBlock() override {
    if (!::IsWindow(window_)) return;
    const std::uintptr_t held = Blocks(window_);
    const std::uintptr_t left = held > 0 ? held - 1 : 0;
    SetBlocks(window_, left);
    if (left == 0) ::ShutdownBlockReasonDestroy(window_);
  }
  ShutdownBlock(const ShutdownBlock&) = delete;
  ShutdownBlock& operator=(const ShutdownBlock&) = delete;

 private:
  const HWND window_;
};

}  // namespace

std::unique_ptr<SystemHold> TakeShutdownBlock(HWND window) {
  if (window == nullptr) return nullptr;
  return std::make_unique<ShutdownBlock>(window);
}

BOOL EndSessionAllowed(HWND window) {
  return Blocks(window) == 0 ? TRUE : FALSE;
}

}  // namespace kr55le::win32
