// The dialog's host in a web page: the elements built from the dialog template, the control
// model mirrored into them, clicks, keys and device notices delivered as queued messages, and the
// report link's workers run between the dialog's polls, with the browser given its turn often
// enough that the page never freezes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "hid/hid_services.h"
#include "platform/web/link_passes.h"
#include "window/control_model.h"
#include "window/dialog_host.h"

namespace kr55le::web {

// How often the browser gets its turn during a wait: after this much time of polling. Short, so
// that a reply (which the page hears only in its turn) waits little, and the progress shows.
inline constexpr double kTurnIntervalMs = 2.0;
// Polls between two looks at the clock, pumping or not: a look costs a call into the page, many
// times a poll.
inline constexpr unsigned kPollsPerLook = 1024;
// The modal loop's wait for the next message; the link's workers run at least this often.
inline constexpr int kIdleWaitMs = 25;
// Where a chosen file lands in the program's file system.
inline constexpr char kPickedFolder[] = "/picked";

class PageHost final : public DialogHost {
 public:
  PageHost(ControlModel& model, hid::HidServices& hid, LinkPasses& link);
  ~PageHost() override;
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  int RunModal(DialogMessages& dialog) override;
  void PumpMessages() override;
  void EndDialog(int result) override;

  void MessageBeep(Beep beep) override;
  void MessageBox(std::string_view text) override;
  std::optional<std::string> OpenFileDialog(const OpenFileRequest& request) override;
  void PostDeviceChange(hid::DeviceChange change) override;
  void ShowHint(std::string_view hint) override;
  std::unique_ptr<SystemHold> HoldSystemAwake() override;

  unsigned LinkRunInterval() const override { return kPollsPerLook; }
  void RunLink() override;

 private:
  using Message = std::function<void(DialogMessages&)>;
  void Build();
  void Show(Control control);
  // The link's passes, and the browser's turn when it is due; then what the page queued.
  void Share();
  // What the browser's turn brought: the link's replies, device notices, the page's messages.
  void AfterTurn();
  void TakePageMessages();
  // Gives the page the report the dialog's close would send now, for when the page goes.
  void OfferLeaveReport();
  void Deliver();

  ControlModel& model_;
  hid::HidServices& hid_;
  LinkPasses& link_;
  std::deque<Message> queue_;
  DialogMessages* dialog_ = nullptr;
  bool endRequested_ = false;
  int result_ = 0;
  double lastTurn_ = 0;
  unsigned pumps_ = 0;
  std::vector<std::uint8_t> leaveReport_;
};

}  // namespace kr55le::web
