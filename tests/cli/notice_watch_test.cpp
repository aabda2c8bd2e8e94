#include "cli/notice_watch.h"

#include <gmock/gmock.h>

#include <chrono>
#include <functional>

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

}  // namespace
}  // namespace kr55le
