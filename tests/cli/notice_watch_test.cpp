#include "cli/notice_watch.h"

#include <gmock/gmock.h>

#include <chrono>
#include <functional>
#include <thread>

#include "sim/sim_hid_services.h"

namespace kr55le {
namespace {

TEST(NoticeWatch, SaysWhichKindsOfNoticeCameSinceTheLastLook) {
  sim::SimHidServices bus;
  NoticeWatch watch(bus);
  std::size_t device = 0;
  const struct {
    const char* name;
    std::function<void()> step;
    bool arrival;
    bool removal;
  } steps[] = {
      {"nothing", [] {}, false, false},
      {"a plug", [&] { device = bus.Plug(); }, true, false},
      {"an unplug", [&] { bus.Unplug(device); }, false, true},
      {"both", [&] { bus.Unplug(bus.Plug()); }, true, true},
      {"nothing since", [] {}, false, false},
  };
  for (const auto& step : steps) {
    step.step();
    const NoticeBatch batch = watch.Await(std::chrono::milliseconds(0));
    EXPECT_EQ(batch.arrival, step.arrival) << step.name;
    EXPECT_EQ(batch.removal, step.removal) << step.name;
  }
}

// A notice from another thread ends the wait at once, not when the wait is over.
TEST(NoticeWatch, ANoticeEndsTheWaitForIt) {
  using std::chrono::seconds;
  constexpr seconds kLongWait(120);
  sim::SimHidServices bus;
  NoticeWatch watch(bus);
  const auto begun = std::chrono::steady_clock::now();
  std::thread plug([&bus] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // while the watch waits
    bus.Plug();
  });
  const NoticeBatch batch = watch.Await(kLongWait);
  plug.join();
  EXPECT_TRUE(batch.arrival);
  EXPECT_LT(std::chrono::steady_clock::now() - begun, kLongWait / 2);
}

}  // namespace
}  // namespace kr55le
