// A dialog for the host tests: records each message in order, and lets a test react to it.
#pragma once

#include <functional>
#include <vector>

#include "window/dialog_host.h"

namespace kr55le::testing {

enum class Received {
  InitDialog,
  BrowseFile,
  Upgrade,
  CancelUpgrade,
  Ok,
  Cancel,
  DeviceArrival,
  DeviceRemoval
};

class RecordingDialog final : public DialogMessages {
 public:
  bool OnInitDialog() override {
    Receive(Received::InitDialog);
    return true;
  }
  void OnBrowseFile() override { Receive(Received::BrowseFile); }
  void OnUpgrade() override { Receive(Received::Upgrade); }
  void OnCancelUpgrade() override { Receive(Received::CancelUpgrade); }
  void OnOK() override { Receive(Received::Ok); }
  void OnCancel() override { Receive(Received::Cancel); }
  void OnDeviceChange(hid::DeviceChange change) override {
    Receive(change == hid::DeviceChange::Arrival ? Received::DeviceArrival
                                                 : Received::DeviceRemoval);
  }
  void OnTimer() override {}  // no host test starts the timer

  // Everything after OnInitDialog.
  std::vector<Received> SinceInit() const {
    return received.empty() ? received
                            : std::vector<Received>(received.begin() + 1, received.end());
  }

  std::vector<Received> received;
  std::function<void(Received)> react;  // runs after each message is recorded

 private:
  void Receive(Received message) {
    received.push_back(message);
    if (react) react(message);
  }
};

}  // namespace kr55le::testing
