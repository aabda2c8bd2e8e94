// The dialog with the test host and simulated devices, through the real reader and writer
// threads: the stage of every scenario test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "platform/sim/sim_hid_services.h"
#include "platform/window/control_model.h"
#include "res/strings.h"
#include "tests/scenario/scenario_services.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_file.h"
#include "tests/support/test_host.h"

namespace kr55le::testing {

inline constexpr LinkTiming kScenarioTiming{std::chrono::milliseconds(5), true};

// Names a table-driven test after its row's `name`.
struct CaseName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

class Scenario : public ::testing::Test {
 protected:
  // A scripted step whose pump or condition never came would leave the story untold, and no
  // ending of a transfer leave the system held awake.
  void TearDown() override {
    EXPECT_EQ(host.WaitingSteps(), 0u) << "scripted steps that never ran";
    EXPECT_EQ(host.SystemHoldsHeld(), 0) << "a hold on sleep outlived its transfer";
  }
  // Builds the dialog and runs its initialisation (with its first scan).
  void OpenDialog() {
    dialog = std::make_unique<CFlashwellDlg>(host, controls, services, link, bounds);
    host.Attach(*dialog);
    dialog->OnInitDialog();
  }
  // Pumps until the notices posted so far (plugging, unplugging) have been handled.
  void HandleNotices() {
    for (int pump = 0; pump < kNoticePumps; ++pump) host.PumpMessages();
  }
  std::string Text(Control control) const { return controls.Text(control); }
  std::string Message() const { return Text(Control::MessageEdit); }
  // What an identification shows of a device in firmware upgrade mode.
  static std::string IdentifiedMessage() {
    return std::string(text::kConnectedFirmwareMode) + std::string(text::kBrowseForUpgrade);
  }
  bool Enabled(Control control) const { return controls.IsEnabled(control); }
  std::optional<Beep> LastBeep() const {
    if (host.Beeps().empty()) return std::nullopt;
    return host.Beeps().back();
  }
  std::vector<std::vector<std::uint8_t>> Received(std::size_t device, std::uint8_t reportId,
                                                  std::uint8_t command) const {
    std::vector<std::vector<std::uint8_t>> matching;
    for (auto& report : hid.ReceivedReports(device)) {
      if (report.size() > 1 && report[0] == reportId && report[1] == command) {
        matching.push_back(report);
      }
    }
    return matching;
  }
  std::size_t InfoRequests(std::size_t device) const {
    return Received(device, kRequestReportId, kCommandDeviceInfo).size();
  }

  static constexpr int kNoticePumps = 3;

  ControlModel controls;
  TestHost host{controls};
  sim::SimHidServices hid;
  ScenarioServices services{hid};  // the bus the dialog is opened on
  ReportLink link{kScenarioTiming};
  WaitBounds bounds;  // the real bounds; a test shrinks only the wait it runs into
  std::unique_ptr<CFlashwellDlg> dialog;
};

}  // namespace kr55le::testing
