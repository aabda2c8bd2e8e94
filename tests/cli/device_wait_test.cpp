#include "cli/device_wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/sim/sim_hid_services.h"
#include "tests/support/memory_stream.h"

namespace kr55le {
namespace {

using std::chrono::milliseconds;

constexpr char kSelectedSerial[] = "KR55LE0001";
constexpr char kOtherSerial[] = "KR55LE0099";
constexpr char kSecondPath[] = "/dev/hidraw1#vid_0483&pid_5750";

std::size_t PlugSerial(sim::SimHidServices& bus, const char* serial) {
  sim::SimDeviceConfig config;
  config.serialNumber = serial;
  return bus.Plug(config);
}

// What is on the bus first, and what happens while the wait runs, from another thread as a real
// plug would. With --device, the device already attached is identified once, at the start, and
// not again on notices that bring no new device of ours.
TEST(DeviceWait, EndsOnTheDeviceItIsForAtTheLimitOrOnCtrlC) {
  constexpr milliseconds kWhile{50};
  using Bus = sim::SimHidServices;
  const auto nothing = [](Bus&) {};
  const auto plugOther = [](Bus& bus) { PlugSerial(bus, kOtherSerial); };
  const struct {
    const char* name;
    std::function<void(Bus&)> first;
    std::optional<std::string> device;
    std::function<void(Bus&, std::atomic<int>&)> meanwhile;
    std::optional<milliseconds> limit;
    bool attached;
    std::optional<std::size_t> firstDeviceReports = std::nullopt;
  } cases[] = {
      {"already attached", [](Bus& bus) { bus.Plug(); }, std::nullopt,
       [](Bus&, std::atomic<int>&) {}, std::nullopt, true},
      {"arrives", nothing, std::nullopt, [](Bus& bus, std::atomic<int>&) { bus.Plug(); },
       std::nullopt, true},
      {"only another device arrives", nothing, std::nullopt,
       [](Bus& bus, std::atomic<int>&) { bus.PlugUnrelated(); }, milliseconds{300}, false},
      {"Ctrl+C", nothing, std::nullopt, [](Bus&, std::atomic<int>& presses) { ++presses; },
       std::nullopt, false},
      {"--device SERIAL: another is attached, the selected one arrives", plugOther, kSelectedSerial,
       [](Bus& bus, std::atomic<int>&) { PlugSerial(bus, kSelectedSerial); }, std::nullopt, true,
       1},
      {"--device SERIAL: another is attached, only other devices arrive", plugOther,
       kSelectedSerial,
       [](Bus& bus, std::atomic<int>&) {
         bus.PlugUnrelated();
         bus.PlugUnrelated();
       },
       milliseconds{300}, false, 1},
      {"--device PATH: another is attached, the selected one arrives", plugOther, kSecondPath,
       [](Bus& bus, std::atomic<int>&) { PlugSerial(bus, kOtherSerial); }, std::nullopt, true, 0},
  };
  for (const auto& c : cases) {
    Bus bus;
    std::atomic<int> presses{0};
    c.first(bus);
    FlashArguments arguments;
    arguments.waitForDevice = true;
    arguments.waitLimit = c.limit;
    arguments.device = c.device;
    testing::MemoryStream errors;
    std::thread other([&] {
      std::this_thread::sleep_for(kWhile);
      c.meanwhile(bus, presses);
    });
    EXPECT_EQ(WaitForDevice(bus, arguments, {.interrupts = &presses, .errors = errors.file()}),
              c.attached)
        << c.name;
    other.join();
    if (c.firstDeviceReports) {
      EXPECT_EQ(bus.Counters(0).reportsReceived, *c.firstDeviceReports) << c.name;
    }
  }
}

}  // namespace
}  // namespace kr55le
