// What every dialog host does alike, as one typed suite, instantiated with a driver that builds
// the host: Driver(ControlModel& model, hid::HidServices* services) and DialogHost& Host().
// Hosts that wait on the services' notice descriptor also instantiate HostNoticeDescriptorTest.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "tests/support/eventually.h"
#include "tests/support/recording_dialog.h"
#include "window/control_model.h"
#include "window/dialog_host.h"
#if !defined(_WIN32)
#include "tests/support/pipe_notice_services.h"
#endif

namespace kr55le::testing {

inline constexpr int kScriptDone = 7;

template <typename Driver>
class HostBehaviourTest : public ::testing::Test {
 protected:
  explicit HostBehaviourTest(hid::HidServices* services = nullptr) : driver_(model, services) {}

  DialogHost& Host() { return driver_.Host(); }

  // Runs the dialog modally: `atInit` inside OnInitDialog, `onMessage` on every later message.
  int Run(std::function<void()> atInit, std::function<void(Received)> onMessage = {}) {
    dialog.react = [atInit = std::move(atInit), onMessage = std::move(onMessage)](Received m) {
      if (m == Received::InitDialog && atInit) atInit();
      if (m != Received::InitDialog && onMessage) onMessage(m);
    };
    return Host().RunModal(dialog);
  }

  ControlModel model;
  RecordingDialog dialog;

 private:
  Driver driver_;
};

TYPED_TEST_SUITE_P(HostBehaviourTest);

// The only test of the message queue's locking: posts race with the pump taking messages.
TYPED_TEST_P(HostBehaviourTest, EveryNoticePostedFromAnotherThreadArrivesOnceAtAPump) {
  constexpr int kNotices = 200;
  bool allArrived = false;
  this->Run([&] {
    std::thread notifier([&] {
      for (int n = 0; n < kNotices; ++n) {
        this->Host().PostDeviceChange(hid::DeviceChange::Removal);
      }
    });
    allArrived = Eventually([&] {
      this->Host().PumpMessages();
      return std::ranges::count(this->dialog.received, Received::DeviceRemoval) >= kNotices;
    });
    notifier.join();
    this->Host().PumpMessages();
    this->Host().EndDialog(kScriptDone);
  });
  EXPECT_TRUE(allArrived);
  EXPECT_EQ(this->dialog.SinceInit(), std::vector<Received>(kNotices, Received::DeviceRemoval));
}

// A handler that waits pumps again: what arrives meanwhile is handled inside it, and only there.
TYPED_TEST_P(HostBehaviourTest, AHandlerThatPumpsHandlesWhatArrivesMeanwhileOnce) {
  int depth = 0;
  int arrivalDepth = 0;
  this->Run(
      [&] {
        this->Host().PostDeviceChange(hid::DeviceChange::Removal);
        this->Host().PumpMessages();
        this->Host().PumpMessages();
        this->Host().EndDialog(kScriptDone);
      },
      [&](Received message) {
        if (message == Received::DeviceArrival) arrivalDepth = depth;
        if (message != Received::DeviceRemoval) return;
        ++depth;
        this->Host().PostDeviceChange(hid::DeviceChange::Arrival);
        this->Host().PumpMessages();
        --depth;
      });
  EXPECT_EQ(this->dialog.SinceInit(),
            (std::vector{Received::DeviceRemoval, Received::DeviceArrival}));
  EXPECT_EQ(arrivalDepth, 1);
}

TYPED_TEST_P(HostBehaviourTest, OnePumpAlsoDeliversWhatArrivesWhileItDispatches) {
  std::vector<Received> afterOnePump;
  this->Run(
      [&] {
        this->Host().PostDeviceChange(hid::DeviceChange::Removal);
        this->Host().PumpMessages();
        afterOnePump = this->dialog.SinceInit();
        this->Host().EndDialog(kScriptDone);
      },
      [&](Received message) {
        if (message == Received::DeviceRemoval) {
          this->Host().PostDeviceChange(hid::DeviceChange::Arrival);
        }
      });
  EXPECT_EQ(afterOnePump, (std::vector{Received::DeviceRemoval, Received::DeviceArrival}));
}

TYPED_TEST_P(HostBehaviourTest, RunModalEndsWithTheResultAHandlerGaveEndDialog) {
  const int result = this->Run([&] { this->Host().PostDeviceChange(hid::DeviceChange::Removal); },
                               [&](Received) { this->Host().EndDialog(kIdCancel); });
  EXPECT_EQ(result, kIdCancel);
  EXPECT_EQ(this->dialog.SinceInit(), std::vector{Received::DeviceRemoval});
}

REGISTER_TYPED_TEST_SUITE_P(HostBehaviourTest, EveryNoticePostedFromAnotherThreadArrivesOnceAtAPump,
                            AHandlerThatPumpsHandlesWhatArrivesMeanwhileOnce,
                            OnePumpAlsoDeliversWhatArrivesWhileItDispatches,
                            RunModalEndsWithTheResultAHandlerGaveEndDialog);

#if !defined(_WIN32)
// A base of its own, so that the services exist before the host that watches them.
struct WithPipeNoticeServices {
  PipeNoticeServices services;
};

template <typename Driver>
class HostNoticeDescriptorTest : protected WithPipeNoticeServices,
                                 public HostBehaviourTest<Driver> {
 protected:
  HostNoticeDescriptorTest() : HostBehaviourTest<Driver>(&services) {
    services.RegisterNotices(
        [this](hid::DeviceChange change) { this->Host().PostDeviceChange(change); });
  }
};

TYPED_TEST_SUITE_P(HostNoticeDescriptorTest);

TYPED_TEST_P(HostNoticeDescriptorTest, APumpDispatchesNoticesWaitingOnTheDescriptor) {
  this->Run([&] {
    this->services.Signal();
    this->Host().PumpMessages();
    this->Host().EndDialog(kScriptDone);
  });
  EXPECT_EQ(this->dialog.SinceInit(), std::vector{Received::DeviceArrival});
}

REGISTER_TYPED_TEST_SUITE_P(HostNoticeDescriptorTest, APumpDispatchesNoticesWaitingOnTheDescriptor);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(HostNoticeDescriptorTest);  // the test host has none
#endif

}  // namespace kr55le::testing
