#include "platform/win32/win32_dialog_host.h"

#include <commctrl.h>

#include "platform/win32/accessible_labels.h"
#include "platform/win32/dialog_template_builder.h"
#include "platform/win32/execution_state_hold.h"
#include "platform/win32/open_file_dialog.h"
#include "platform/win32/shutdown_block.h"
#include "platform/win32/template_styles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_dpi.h"
#include "res/accessible_names.h"
#include "res/dialog_template.h"
#include "res/names.h"
#include "window/dialog_message.h"

namespace kr55le::win32 {
namespace {

constexpr int kRunModalFailed = -1;
constexpr int kHalf = 2;

void InitialiseCommonControls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    return ::InitCommonControlsEx(&classes) != 0;
  }();
  (void)done;
}

const wchar_t* ClassName(dialog_template::ControlClass controlClass) {
  return controlClass == dialog_template::ControlClass::ProgressBar ? PROGRESS_CLASSW : L"EDIT";
}

// A control that the caption before it does not name gets its name from a hidden label, which
// is returned; null when the caption names it.
HWND LabelUnlessCaptioned(HWND dialog, HWND window, Control control) {
  const std::string_view name = AccessibleName(control);
  if (name.empty() || CaptionPrecedes(control)) return nullptr;
  return AddHiddenLabel(dialog, window, name);
}

// Both holds a window can take: idle sleep through the thread's execution state, a shutdown or
// log-off through the window's answer to the system.
class WindowHold final : public SystemHold {
 public:
  WindowHold(std::unique_ptr<SystemHold> awake, std::unique_ptr<SystemHold> shutdown)
      : awake_(std::move(awake)), shutdown_(std::move(shutdown)) {}

 private:
  std::unique_ptr<SystemHold> awake_;
  std::unique_ptr<SystemHold> shutdown_;
};

// The template stands at (0, 0); like the platform's dialog framework, put it in the middle of
// the work area.
void Centre(HWND window) {
  RECT frame{};
  RECT work{};
  if (!::GetWindowRect(window, &frame) || !::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
    return;
  }
  const int left = work.left + ((work.right - work.left) - (frame.right - frame.left)) / kHalf;
  const int top = work.top + ((work.bottom - work.top) - (frame.bottom - frame.top)) / kHalf;
  ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<DialogMessageKind> ClickedCommand(WORD id) {
  switch (id) {
    case kIdBrowseButton:
      return DialogMessageKind::BrowseClicked;
    case kIdUpgradeButton:
      return DialogMessageKind::UpgradeClicked;
    case kIdCancelButton:
      return DialogMessageKind::CancelClicked;
    case IDOK:
      return DialogMessageKind::OkCommand;
    case IDCANCEL:
      return DialogMessageKind::CancelCommand;
    default:
      return std::nullopt;
  }
}

}  // namespace

Win32DialogHost::Win32DialogHost(ControlModel& model, int icon)
    : model_(model), icon_(icon), mirror_(model) {
  InitialiseCommonControls();
  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    if (row.control) model_.Enable(*row.control, dialog_template::StartsEnabled(*row.control));
  }
  model_.SetObserver([this](Control control) { mirror_.Show(control); });
}

Win32DialogHost::~Win32DialogHost() {
  model_.SetObserver(nullptr);
}

int Win32DialogHost::RunModal(DialogMessages& dialog) {
  dialog_ = &dialog;
  endRequested_ = false;
  result_ = kRunModalFailed;
  const std::vector<DWORD> dialogTemplate = BuildDialogTemplate();
  // OnInitDialog runs inside the creation (WM_INITDIALOG).
  // A Unicode dialog: its controls keep their texts in UTF-16, not in the ANSI code page.
  HWND window = ::CreateDialogIndirectParamW(
      ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()),
      nullptr, DialogProcedure, reinterpret_cast<LPARAM>(this));
  if (window != nullptr) {
    if (!endRequested_) ::ShowWindow(window, SW_SHOW);
    MSG message;
    while (!endRequested_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
    ::DestroyWindow(window);
  }
  window_.store(nullptr, std::memory_order_release);
  mirror_.DetachAll();
  dialog_ = nullptr;
  return result_;
}

void Win32DialogHost::PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // For the loop that waits on the queue (the modal one), which ends on it.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

std::unique_ptr<SystemHold> Win32DialogHost::HoldSystemAwake() {
  std::unique_ptr<SystemHold> awake = TakeExecutionStateHold();
  std::unique_ptr<SystemHold> shutdown = TakeShutdownBlock(Window());
  if (!awake && !shutdown) return nullptr;
  return std::make_unique<WindowHold>(std::move(awake), std::move(shutdown));
}

void Win32DialogHost::EndDialog(int result) {
  result_ = result;
  endRequested_ = true;
}

void Win32DialogHost::MessageBeep(Beep beep) {
  ::MessageBeep(beep == Beep::Error ? MB_ICONHAND : MB_OK);
}

void Win32DialogHost::MessageBox(std::string_view text) {
  // The box's own loop dispatches the queued messages meanwhile, as the platform's always does.
  ::MessageBoxW(BoxOwner(), Widen(text).c_str(), Widen(name::kApplicationName).c_str(), MB_OK);
}

std::optional<std::string> Win32DialogHost::OpenFileDialog(const OpenFileRequest& request) {
  return ShowOpenFileDialog(BoxOwner(), request);
}

void Win32DialogHost::PostDeviceChange(hid::DeviceChange change) {
  HWND window = Window();
  if (window == nullptr) return;  // no dialog runs: dropped, as a closed window's would be
  ::PostMessageA(window, kDeviceChangeMessage, static_cast<WPARAM>(change), 0);
}

void Win32DialogHost::SetTimer(std::chrono::milliseconds interval) {
  if (HWND window = Window()) {
    ::SetTimer(window, kDialogTimerId, static_cast<UINT>(interval.count()), nullptr);
  }
}

void Win32DialogHost::KillTimer() {
  if (HWND window = Window()) ::KillTimer(window, kDialogTimerId);
}

void Win32DialogHost::SetIcon() {
  HWND window = Window();
  if (window == nullptr || icon_ == 0) return;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  const auto load = [instance, this](int metric) {
    return ::LoadImageA(instance, MAKEINTRESOURCEA(icon_), IMAGE_ICON, ::GetSystemMetrics(metric),
                        ::GetSystemMetrics(metric), LR_DEFAULTCOLOR);
  };
  if (HANDLE big = load(SM_CXICON)) {
    ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  }
  if (HANDLE small = load(SM_CXSMICON)) {
    ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

void Win32DialogHost::CreateRuntimeControls() {
  HWND window = Window();
  if (window == nullptr) return;
  // In pixels and with no font of their own: they draw with the system font. Their pixels are a
  // 96-DPI screen's, so they scale with the window's DPI as the template's controls do.
  const int dpi = static_cast<int>(WindowDpi(window));
  for (const dialog_template::RunTimeControl& row : dialog_template::RunTimeControls()) {
    const dialog_template::PixelRect rect =
        dpi > 0 ? dialog_template::ScaleToDpi(row.rect, dpi) : row.rect;
    HWND control = ::CreateWindowExW(0, ClassName(row.controlClass), L"",
                                     WindowStyle(row.controlClass, row.styles), rect.left, rect.top,
                                     rect.Width(), rect.Height(), window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                     ::GetModuleHandleW(nullptr), nullptr);
    mirror_.Attach(row.control, control);
    HWND label = LabelUnlessCaptioned(window, control, row.control);
    // Showing the status line then puts its status into its label's name.
    if (row.control == Control::MessageEdit) mirror_.AttachStatusLabel(label);
    mirror_.Show(row.control);
  }
}

INT_PTR CALLBACK Win32DialogHost::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* host = reinterpret_cast<Win32DialogHost*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    host->InitDialog(window);
    return TRUE;
  }
  auto* host = reinterpret_cast<Win32DialogHost*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (host == nullptr || host->dialog_ == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return host->Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE
                                                                                           : FALSE;
    case WM_QUERYENDSESSION:
      // A dialog procedure gives its answer through the window's message result.
      ::SetWindowLongPtrW(window, DWLP_MSGRESULT, EndSessionAllowed(window));
      return TRUE;
    case kDeviceChangeMessage:
      Deliver(*host->dialog_,
              {DialogMessageKind::DeviceChange, static_cast<hid::DeviceChange>(wParam)});
      return TRUE;
    case WM_TIMER:
      if (wParam != kDialogTimerId) return FALSE;
      Deliver(*host->dialog_, {DialogMessageKind::Timer, {}});
      return TRUE;
    default:
      return FALSE;
  }
}

void Win32DialogHost::InitDialog(HWND window) {
  window_.store(window, std::memory_order_release);
  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    if (!row.control) continue;
    HWND control = ::GetDlgItem(window, row.id);
    mirror_.Attach(*row.control, control);
    // The hidden list box never shows, and screen readers pass over it.
    if (row.styles.Has(dialog_template::Style::Visible)) {
      LabelUnlessCaptioned(window, control, *row.control);
    }
  }
  mirror_.ShowAll();
  Centre(window);
  dialog_->OnInitDialog();
}

bool Win32DialogHost::Command(WORD id, WORD code, HWND control) {
  // PathEdit carries IDOK's identifier, so its own notifications come as commands with id 1:
  // only a click (or Enter through the dialog manager) is the OK command.
  if (code == BN_CLICKED) {
    const std::optional<DialogMessageKind> kind = ClickedCommand(id);
    if (!kind) return false;
    Deliver(*dialog_, {*kind, {}});
    return true;
  }
  if (code == EN_CHANGE && control != nullptr && control == mirror_.Window(Control::PathEdit)) {
    mirror_.TakeEdit(Control::PathEdit);
    return true;
  }
  if (code == CBN_SELCHANGE && id == kIdDeviceCombo) {
    mirror_.TakeEdit(Control::DeviceCombo);
    return true;
  }
  return false;
}

void Win32DialogHost::Dispatch(MSG& message) {
  HWND window = Window();
  if (window != nullptr && ::IsDialogMessageW(window, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

HWND Win32DialogHost::BoxOwner() const {
  // A box raised before the window shows (by the first scan) stands on its own.
  HWND window = Window();
  return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
}

}  // namespace kr55le::win32
