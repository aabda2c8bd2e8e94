// What the dialog asks of the window system beyond control state, and the messages a host
// delivers to the dialog. Hosts: the Qt window (platform/qt), the Win32 window (platform/win32),
// the terminal (platform/console) and the scripted test host (tests/support).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "hid/hid_services.h"
#include "window/system_hold.h"

namespace kr55le {

// The dialog's message map: everything a host may dispatch to it. A host calls these only from
// its modal loop or from PumpMessages, on the dialog thread, one at a time (a handler may pump
// again, and so nest another).
class DialogMessages {
 public:
  virtual ~DialogMessages() = default;
  virtual bool OnInitDialog() = 0;
  virtual void OnBrowseFile() = 0;     // Browse File clicked
  virtual void OnUpgrade() = 0;        // Upgrade clicked
  virtual void OnCancelUpgrade() = 0;  // Cancel clicked
  virtual void OnOK() = 0;             // the OK command (Enter)
  virtual void OnCancel() = 0;         // the Cancel command (Escape, the close box)
  virtual void OnDeviceChange(hid::DeviceChange change) = 0;
  virtual void OnTimer() = 0;  // the timer of SetTimer
};

enum class Beep { Error, Plain };  // MessageBeep with MB_ICONHAND, with MB_OK

struct OpenFileRequest {
  std::string_view title;             // "Pardo KR-55 files"
  std::string_view filter;            // "Bin Files: (*.bin)|*.bin|"
  std::string_view defaultExtension;  // "*.*"
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // Runs the dialog modally: OnInitDialog, then the host's loop until EndDialog. Returns the
  // EndDialog result.
  virtual int RunModal(DialogMessages& dialog) = 0;
  // Dispatches every message queued now (and any that arrive while dispatching); returns when
  // the queue is empty. Returns at once on an empty queue.
  virtual void PumpMessages() = 0;
  // Asks the modal loop to stop; the window goes when the handler running now has returned.
  virtual void EndDialog(int result) = 0;

  virtual void MessageBeep(Beep beep) = 0;
  // A modal box with an OK button and the application's name as caption. Like the platform's,
  // its loop dispatches queued messages while it is open.
  virtual void MessageBox(std::string_view text) = 0;
  // A modal open-file dialog; the chosen file's full path, or nothing when it was closed
  // without a file.
  virtual std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) = 0;

  // A device notice for the dialog; may be called from any thread. The host queues it as a
  // device-change message.
  virtual void PostDeviceChange(hid::DeviceChange change) = 0;
  // The dialog's one timer: from now on, one timer message every `interval` (a running timer
  // starts over), until KillTimer or the end of RunModal. A message queued before KillTimer may
  // still come. Hosts without a timer (the terminal, the page) never send one.
  virtual void SetTimer(std::chrono::milliseconds interval) { (void)interval; }
  virtual void KillTimer() {}
  // Start-up steps of the window itself; hosts that build these with the window do nothing.
  virtual void SetIcon() {}
  virtual void CreateRuntimeControls() {}
  // A hint for the user beside the status line (the Qt window shows it as a tooltip); an empty
  // one removes it.
  virtual void ShowHint(std::string_view hint) { (void)hint; }
  // Where the program has no threads (the page in a browser), the host runs the report link's
  // workers itself, and now and then lets the browser run: at every pump, and at every RunLink,
  // which the dialog calls after each batch of LinkRunInterval polls of a wait that does not pump
  // and while it waits for the link to send. 0, where the link has threads of its own, means
  // never; it is asked once, so that the tight waits stay tight.
  virtual unsigned LinkRunInterval() const { return 0; }
  virtual void RunLink() {}
  // Keeps the system from sleeping or shutting down while the hold lives; null where the host
  // has none to give.
  virtual std::unique_ptr<SystemHold> HoldSystemAwake() { return nullptr; }
};

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

}  // namespace kr55le
