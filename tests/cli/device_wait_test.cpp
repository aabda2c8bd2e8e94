#include "cli/device_wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/sim/sim_hid_services.h"

namespace kr55le {
namespace {

using std::chrono::milliseconds;

// What happens on the bus while the wait runs, from another thread as a real plug would.
TEST(DeviceWait, EndsOnAnArrivalAtTheLimitOrOnCtrlC) {
  constexpr milliseconds kWhile{50};
  const struct {
    const char* name;
    bool plugFirst;
    std::function<void(sim::SimHidServices&, std::atomic<int>&)> meanwhile;
    std::optional<milliseconds> limit;
    bool attached;
  } cases[] = {
      {"already attached", true, [](sim::SimHidServices&, std::atomic<int>&) {}, std::nullopt,
       true},
      {"arrives", false, [](sim::SimHidServices& bus, std::atomic<int>&) { bus.Plug(); },
       std::nullopt, true},
      {"only another device arrives", false,
       [](sim::SimHidServices& bus, std::atomic<int>&) { bus.PlugUnrelated(); }, milliseconds{300},
       false},
      {"Ctrl+C", false, [](sim::SimHidServices&, std::atomic<int>& presses) { ++presses; },
       std::nullopt, false},
  };
  for (const auto& c : cases) {
    sim::SimHidServices bus;
    std::atomic<int> presses{0};
    if (c.plugFirst) bus.Plug();
    std::thread other([&] {
      std::this_thread::sleep_for(kWhile);
      c.meanwhile(bus, presses);
    });
    EXPECT_EQ(WaitForDevice(bus, c.limit, &presses), c.attached) << c.name;
    other.join();
  }
}

}  // namespace
}  // namespace kr55le
