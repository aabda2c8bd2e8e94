#include "app/flashwell_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kr55le {
namespace {

using ::testing::ElementsAre;

class RecordingStartup : public StartupServices {
 public:
  void BeginWaitCursor() override { calls.push_back("wait cursor"); }
  InstanceMarker CreateInstanceMarker(std::string_view name) override {
    calls.push_back("marker " + std::string(name));
    return marker;
  }
  void ShowWindowNamed(std::string_view name) override {
    calls.push_back("show " + std::string(name));
  }
  bool InitSockets() override {
    calls.push_back("sockets");
    return socketsWork;
  }
  void EnableControlContainer() override { calls.push_back("control container"); }

  InstanceMarker marker = InstanceMarker::First;
  bool socketsWork = true;
  std::vector<std::string> calls;
};

class RecordingHost : public DialogHost {
 public:
  int RunModal(DialogMessages&) override { return 0; }
  void PumpMessages() override {}
  void EndDialog(int) override {}
  void MessageBeep(Beep beep) override { beeps.push_back(beep); }
  void MessageBox(std::string_view text) override { boxes.emplace_back(text); }
  std::optional<std::string> OpenFileDialog(const OpenFileRequest&) override { return {}; }
  void PostDeviceChange(hid::DeviceChange) override {}

  std::vector<Beep> beeps;
  std::vector<std::string> boxes;
};

struct StartupTest : ::testing::Test {
  RecordingStartup startup;
  RecordingHost host;
  bool dialogRan = false;
  CFlashwellApp app{startup, host, [this] {
                      startup.calls.push_back("dialog");
                      dialogRan = true;
                    }};
};

TEST_F(StartupTest, FirstInstanceRunsTheDialogAfterEachStartupStep) {
  EXPECT_FALSE(app.InitInstance());
  EXPECT_THAT(startup.calls, ElementsAre("wait cursor", "marker PARDO_KR_91_MAX_UI_RUNNING",
                                         "sockets", "control container", "dialog"));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(StartupTest, SecondInstanceEndsAtOnceWithoutWindowMessageOrBeep) {
  startup.marker = InstanceMarker::OtherRunning;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(dialogRan);
  EXPECT_THAT(startup.calls,
              ElementsAre("wait cursor", "marker PARDO_KR_91_MAX_UI_RUNNING", "show tws2"));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(StartupTest, FailedSocketsShowTheirBoxAndEnd) {
  startup.socketsWork = false;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(dialogRan);
  EXPECT_THAT(host.boxes, ElementsAre("Windows sockets initialization failed."));
}

}  // namespace
}  // namespace kr55le
