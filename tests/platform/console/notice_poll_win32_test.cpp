// The notice window gets its WM_DEVICECHANGE from another thread, as the system sends it: only
// a thread that dispatches its window messages lets it through.
#include "platform/console/notice_poll.h"

#include "platform/win32/device_notices.h"  // the Windows headers, which dbt.h needs first

#include <dbt.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kr55le::console {
namespace {

constexpr UINT kSendWaitMilliseconds = 200;
constexpr auto kDispatchBound = std::chrono::seconds(5);  // only keeps a fault from hanging

TEST(ThreadMessages, ANoticeSentFromAnotherThreadArrivesWhenDispatched) {
  std::atomic<int> arrivals{0};
  win32::DeviceNotices notices([&arrivals](hid::DeviceChange change) {
    if (change == hid::DeviceChange::Arrival) ++arrivals;
  });
  ASSERT_NE(notices.Window(), nullptr);
  DEV_BROADCAST_DEVICEINTERFACE_A data{};
  data.dbcc_size = sizeof data;
  data.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  const auto send = [&] {
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutA(notices.Window(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                 reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                 kSendWaitMilliseconds, &answer) != 0;
  };

  // Nobody dispatches: the sender gives up and the sink hears nothing.
  bool delivered = true;
  std::thread([&] { delivered = send(); }).join();
  DispatchThreadMessages();  // what the timed-out send left behind, if anything
  const int withoutDispatch = arrivals.load();

  std::atomic<bool> sent{false};
  std::thread sender([&] { sent = send(); });
  const auto until = std::chrono::steady_clock::now() + kDispatchBound;
  while (arrivals.load() == withoutDispatch && std::chrono::steady_clock::now() < until) {
    DispatchThreadMessages();
    std::this_thread::yield();
  }
  sender.join();

  EXPECT_FALSE(delivered);
  EXPECT_TRUE(sent);
  EXPECT_EQ(arrivals.load(), withoutDispatch + 1);
}

}  // namespace
}  // namespace kr55le::console
