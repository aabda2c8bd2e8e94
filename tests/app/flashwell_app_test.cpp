#include "app/flashwell_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_host.h"

namespace kr55le {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

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

struct StartupTest : ::testing::Test {
  RecordingStartup startup;
  ControlModel controls;
  TestHost host{controls};
  CFlashwellApp app{startup, host, [this] { startup.calls.push_back("dialog"); }};
};

TEST_F(StartupTest, FirstInstanceRunsTheDialogAfterEachStartupStep) {
  EXPECT_FALSE(app.InitInstance());
  EXPECT_THAT(startup.calls, ElementsAre("wait cursor", "marker PARDO_KR_91_MAX_UI_RUNNING",
                                         "sockets", "control container", "dialog"));
  EXPECT_TRUE(host.MessageBoxes().empty());
}

TEST_F(StartupTest, SecondInstanceEndsAtOnceWithoutWindowMessageOrBeep) {
  startup.marker = InstanceMarker::OtherRunning;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_THAT(startup.calls,
              ElementsAre("wait cursor", "marker PARDO_KR_91_MAX_UI_RUNNING", "show tws2"));
  EXPECT_TRUE(host.MessageBoxes().empty());
  EXPECT_TRUE(host.Beeps().empty());
}

TEST_F(StartupTest, FailedSocketsShowTheirBoxAndEnd) {
  startup.socketsWork = false;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_THAT(startup.calls, Not(Contains("dialog")));
  EXPECT_THAT(host.MessageBoxes(), ElementsAre("Windows sockets initialization failed."));
}

}  // namespace
}  // namespace kr55le
