#include "device/report_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <thread>

#include "device/protocol.h"
#include "tests/device/fake_device.h"
#include "tests/support/eventually.h"

namespace kr55le {

// The test's way to the slot's lock.
struct DeviceHandleSlotAccess {
  static std::mutex& Mutex(DeviceHandleSlot& slot) { return slot.mutex_; }
};

// The test's way to the writer's copy of the request.
struct ReportLinkAccess {
  static bool CopyRequest(ReportLink& link, std::span<std::uint8_t> report) {
    return link.CopyRequest(report);
  }
};

namespace {

using ::testing::ElementsAre;

using namespace std::chrono_literals;
using testing::Eventually;
using testing::FakeDevice;

constexpr LinkTiming kFast{5ms, true};

class ReportLinkTest : public ::testing::Test {
 protected:
  void StartWith(std::shared_ptr<FakeDevice> started, hid::HidCaps caps = {64, 1024, 0}) {
    link.SetCaps(caps);
    link.SetDevice(std::move(started));
    link.StartThreads([](LinkThread, int) { FAIL() << "thread did not start"; });
  }
  void Raise(std::uint8_t request, Resend resend = Resend::AfterAnyFailure) {
    link.BeginRequest().Set(0, request);
    link.RaiseWritePending(resend);
  }
  ReportLink link{kFast};
  std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
};

TEST_F(ReportLinkTest, RequestGoesOutWholeWithThePreviousRequestsTail) {
  StartWith(device);
  BuildImageCheckRequest(link.BeginRequest(),
                         ImageCheckFields{.HeaderField1 = {9, 9, 9, 9, 9, 9, 9, 9}});
  link.RaiseWritePending();
  ASSERT_TRUE(Eventually([&] { return !link.IsWritePending(); }));
  BuildDeviceInfoRequest(link.BeginRequest());
  link.RaiseWritePending();
  ASSERT_TRUE(Eventually([&] { return device->Writes().size() == 2; }));

  const auto sent = device->Writes()[1];
  ASSERT_EQ(sent.size(), 1024u);
  EXPECT_EQ(sent[0], kRequestReportId);
  EXPECT_EQ(sent[1], kCommandDeviceInfo);
  EXPECT_EQ(sent[49], kFillByte);
  EXPECT_EQ(sent[50], 0);  // the check request set nothing here
  EXPECT_EQ(device->Writes()[0][4], 9);
}

// Requests raised back to back, each filling the whole report with its own number, while the
// writer copies the one before: every write is one request whole, and the last one goes out.
TEST_F(ReportLinkTest, RequestsRaisedDuringTheWritersCopyGoOutWholeAndNoneIsLostAtTheEnd) {
  constexpr int kRequests = 2000;
  StartWith(device);
  for (int request = 1; request <= kRequests; ++request) {
    ReportView output = link.BeginRequest();
    for (std::size_t i = 0; i < kReportSize; ++i) output.Set(i, static_cast<std::uint8_t>(request));
    link.RaiseWritePending();
  }
  ASSERT_TRUE(Eventually([&] { return !link.IsSending(); }));
  const auto writes = device->Writes();
  ASSERT_FALSE(writes.empty());
  for (const auto& write : writes) {
    ASSERT_EQ(std::count(write.begin(), write.end(), write[0]), std::ptrdiff_t{kReportSize});
  }
  EXPECT_EQ(writes.back()[0], static_cast<std::uint8_t>(kRequests));
}

// The same without the race's luck: a request being filled is never copied, a raised one is.
TEST(ReportLinkCopy, ARequestIsCopiedOnlyOnceRaised) {
  ReportLink link;
  std::array<std::uint8_t, kReportSize> copy{};
  link.BeginRequest().Set(0, kCommandDeviceInfo);
  EXPECT_FALSE(ReportLinkAccess::CopyRequest(link, copy));
  link.RaiseWritePending();
  ASSERT_TRUE(ReportLinkAccess::CopyRequest(link, copy));
  EXPECT_EQ(copy[0], kCommandDeviceInfo);
}

// The reader holds a report it cannot publish yet (every other buffer is pinned) when the
// dialog marks for its next request: that report must not then pass as the answer.
TEST_F(ReportLinkTest, ReportReadBeforeAMarkIsNotPublishedAfterIt) {
  constexpr std::uint8_t kMarked = 0xEE;
  StartWith(device, {4, 1024, 0});
  int readsAfterMark = 0;
  {
    const auto first = link.InputReport.Pin();
    device->Reply({1});
    ASSERT_TRUE(Eventually([&] { return link.InputReport[0] == 1; }));
    const auto second = link.InputReport.Pin();
    device->Reply({2});
    ASSERT_TRUE(Eventually([&] { return link.InputReport[0] == 2; }));
    device->Reply({3});  // read, then held: both other buffers are pinned
    ASSERT_TRUE(Eventually([&] { return device->QueuedReplies() == 0 && !device->IsReading(); }));
    std::this_thread::sleep_for(50ms);  // time to reach the publish, not a bound on speed
    link.InputReport.Mark({0, 0, kMarked});
    readsAfterMark = device->Reads();
  }
  ASSERT_TRUE(Eventually([&] { return device->Reads() > readsAfterMark; }));  // it went on
  EXPECT_EQ(link.InputReport[0], kMarked);
}

// The dialog's polls ask whether the device is there and usable without the slot's lock, so
// they neither wait for the worker threads nor contend with them.
TEST_F(ReportLinkTest, PollsAnswerWhileTheDeviceSlotIsLocked) {
  StartWith(device);
  std::atomic<bool> answered{false};
  std::thread poll;
  bool answeredUnderLock = false;
  {
    const std::lock_guard lock(DeviceHandleSlotAccess::Mutex(link.DeviceHandle));
    poll = std::thread(
        [&] { answered = link.HasDevice() && link.DeviceUsable() && !link.DeviceGone(); });
    answeredUnderLock = Eventually([&] { return answered.load(); });
  }
  poll.join();
  EXPECT_TRUE(answeredUnderLock);
}

TEST_F(ReportLinkTest, ReplyLandsWithoutFurtherCallsAndBytesPastItKeepTheBuffer) {
  StartWith(device, {4, 1024, 0});
  link.InputReport.Mark({0, 254, 0x77});
  device->Reply({kDeviceInfoReplyId, 2, 3, 4});
  ASSERT_TRUE(Eventually([&] { return link.InputReport[0] == kDeviceInfoReplyId; }));
  auto reply = link.InputReport.Pin();
  EXPECT_EQ(reply[3], 4);
  EXPECT_EQ(reply[4], 0x77);
  EXPECT_EQ(reply[254], 0x77);
  EXPECT_EQ(link.InputReport[kReportSize], 0);  // past the buffer: nothing
}

TEST_F(ReportLinkTest, RaisedFlagStaysUpUntilADeviceIsStored) {
  StartWith(nullptr);
  link.RaiseWritePending();
  std::this_thread::sleep_for(50ms);  // ten passes
  EXPECT_TRUE(link.IsWritePending());

  // A request raised while no device was open goes out once one is.
  link.SetDevice(device);
  ASSERT_TRUE(Eventually([&] { return !link.IsWritePending(); }));
  // The writer clears the flag before its write() call, so the write may land a moment later.
  EXPECT_TRUE(Eventually([&] { return device->Writes().size() == 1; }));
}

TEST_F(ReportLinkTest, WithdrawnRequestDoesNotReachTheNextDevice) {
  StartWith(nullptr);
  link.RaiseWritePending();
  link.WithdrawRequest();
  link.SetDevice(device);
  std::this_thread::sleep_for(50ms);  // ten passes
  EXPECT_FALSE(link.IsSending());
  EXPECT_TRUE(device->Writes().empty());
}

// With a pause longer than the test, a failed read is followed by another only when a sent
// request wakes the reader; a reader that spun instead would read thousands of times.
TEST(ReportLinkUnplugged, FlagIsStillClearedAndFailedReadsPauseUntilTheNextRequest) {
  constexpr int kRequests = 3;
  ReportLink link{LinkTiming{1h, true}};
  const auto device = std::make_shared<FakeDevice>();
  device->Unplug();
  link.SetCaps({64, 1024, 0});
  link.SetDevice(device);
  link.StartThreads([](LinkThread, int) { FAIL() << "thread did not start"; });
  for (int request = 0; request < kRequests; ++request) {
    link.RaiseWritePending();
    ASSERT_TRUE(Eventually([&] { return !link.IsWritePending(); })) << request;
  }
  std::this_thread::sleep_for(20ms);  // time to spin in, not a bound on speed
  EXPECT_LE(device->Reads(), 1 + kRequests);
}

// A write that fails short of a removal (a stall) is sent again on a later pass, unless by then
// the device has gone, the request has been withdrawn or replaced, its wait has ended, another
// device is in use, or the device has sent something (perhaps the answer to it, so it may have
// taken it after all) unless the failure proves that none of it left. A request whose wait
// ended before the writer took it still goes once, and one raised while the write before it is
// under way goes out after it, failed or not. One raised OnlyIfUnsent ("once") goes again only
// after a NotSent failure, and is dropped, visibly while it is still the link's, after any other.
class ReportLinkRetryTest;

struct RetryCase {
  const char* name;
  hid::HidError failure;  // of the first write
  // Done while it fails: the failing write returns once `done` holds, so that nothing races it.
  void (ReportLinkRetryTest::*meanwhile)();
  bool (ReportLinkRetryTest::*done)();
  std::vector<std::uint8_t> written;  // the first byte of each write that reached the device
  bool waitEndsBeforeTaken = false;
  bool once = false;  // raised OnlyIfUnsent
  bool dropped = false;
  friend void PrintTo(const RetryCase& row, std::ostream* out) { *out << row.name; }
};

class ReportLinkRetryTest : public ReportLinkTest, public ::testing::WithParamInterface<RetryCase> {
 public:
  static constexpr std::uint8_t kFirst = 0x21;
  static constexpr std::uint8_t kNewer = 0x22;
  std::vector<std::uint8_t> FirstBytes(FakeDevice& of) {
    std::vector<std::uint8_t> bytes;
    for (const auto& write : of.Writes()) bytes.push_back(write[0]);
    return bytes;
  }
  void Withdraw() { link.WithdrawRequest(); }
  void EndWait() { link.EndRetries(); }
  void RaiseNewer() { Raise(kNewer); }
  void StoreOther() { link.SetDevice(other); }
  void Answer() { device->Reply({kDeviceInfoReplyId}); }
  bool Lowered() { return link.WritePending.load() == 0; }
  bool Raised() { return link.IsWritePending(); }
  bool OtherStored() { return link.Device() == other; }
  bool Answered() { return link.InputReport[0] == kDeviceInfoReplyId; }

  std::shared_ptr<FakeDevice> other = std::make_shared<FakeDevice>();
};

TEST_P(ReportLinkRetryTest, FailedWriteGoesAgainUnlessItHasBecomeStale) {
  const RetryCase& c = GetParam();
  device->FailWrites(1, c.failure);
  if (c.done) device->HoldNextWriteUntil([this, &c] { return (this->*c.done)(); });
  if (c.waitEndsBeforeTaken) {
    Raise(kFirst);
    link.EndRetries();
    StartWith(device);
  } else {
    StartWith(device);
    Raise(kFirst, c.once ? Resend::OnlyIfUnsent : Resend::AfterAnyFailure);
  }
  ASSERT_TRUE(Eventually([&] { return !device->Writes().empty(); }));
  if (c.meanwhile) (this->*c.meanwhile)();
  ASSERT_TRUE(Eventually([&] { return FirstBytes(*device).size() >= c.written.size(); }));
  ASSERT_TRUE(Eventually([&] { return !link.IsSending(); }));
  std::this_thread::sleep_for(50ms);  // ten passes, in which a retry would go out

  EXPECT_EQ(FirstBytes(*device), c.written);
  EXPECT_TRUE(other->Writes().empty());
  EXPECT_EQ(link.DeviceGone(), c.failure == hid::HidError::Gone);
  EXPECT_EQ(link.LastRequestDropped(), c.dropped);
}

using T = ReportLinkRetryTest;
using E = hid::HidError;
INSTANTIATE_TEST_SUITE_P(
    Rows, ReportLinkRetryTest,
    ::testing::Values(
        RetryCase{"StallThenTaken", hid::HidError::Io, nullptr, nullptr, {0x21, 0x21}},
        RetryCase{"TimedOutThenTaken", hid::HidError::TimedOut, nullptr, nullptr, {0x21, 0x21}},
        RetryCase{"Removed", hid::HidError::Gone, nullptr, nullptr, {0x21}},
        RetryCase{"Withdrawn", hid::HidError::Io, &T::Withdraw, &T::Lowered, {0x21}},
        RetryCase{"Replaced", hid::HidError::Io, &T::RaiseNewer, &T::Raised, {0x21, 0x22}},
        RetryCase{
            "RaisedWhileTaken", hid::HidError::None, &T::RaiseNewer, &T::Raised, {0x21, 0x22}},
        RetryCase{"WaitEnded", hid::HidError::Io, &T::EndWait, &T::Lowered, {0x21}},
        RetryCase{"WaitEndedBeforeTaken", hid::HidError::Io, nullptr, nullptr, {0x21}, true},
        RetryCase{
            "AnotherDeviceStored", hid::HidError::Io, &T::StoreOther, &T::OtherStored, {0x21}},
        RetryCase{"DeviceAnswered", hid::HidError::Io, &T::Answer, &T::Answered, {0x21}},
        RetryCase{"UnsentGoesAfterAnAnswer", E::NotSent, &T::Answer, &T::Answered, {0x21, 0x21}},
        RetryCase{"OnceStalledIsDropped", E::Io, nullptr, nullptr, {0x21}, false, true, true},
        RetryCase{"OnceUnsentThenTaken", E::NotSent, nullptr, nullptr, {0x21, 0x21}, false, true},
        RetryCase{"OnceWithdrawn", E::TimedOut, &T::Withdraw, &T::Lowered, {0x21}, false, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ReportLinkTest, ReplyIsSeenWholeWhileTheDeviceChatters) {
  device->Chatter();  // every read brings a new report, every byte holding its number
  StartWith(device);
  ASSERT_TRUE(Eventually([&] { return device->Reads() > 10; }));
  for (int poll = 0; poll < 20000; ++poll) {
    auto reply = link.InputReport.Pin();
    const std::uint8_t first = reply[0];
    for (std::size_t i = 1; i < 64; ++i) ASSERT_EQ(reply[i], first) << "byte " << i;
  }
}

TEST_F(ReportLinkTest, ReplacedDeviceIsNotClosedDuringItsRead) {
  auto closedDuringRead = std::make_shared<std::atomic<bool>>(false);
  device->HoldEachRead(20ms);
  device->WatchClose(closedDuringRead);
  StartWith(device);
  ASSERT_TRUE(Eventually([&] { return device->Reads() > 0; }));
  std::weak_ptr<FakeDevice> old = device;
  device.reset();
  link.SetDevice(std::make_shared<FakeDevice>());
  ASSERT_TRUE(Eventually([&] { return old.expired(); }));
  EXPECT_FALSE(closedDuringRead->load());
}

// A device without output reports (length 0) is written nothing, and the request is let go.
TEST(ReportLinkLengths, SendsTheOutputLengthCutsLengthsPastTheBuffersAndLetsGoWithoutOne) {
  struct Row {
    int input;
    int output;
    std::size_t written;
  };
  for (const Row& row : {Row{65, 65, 65}, Row{4096, 4096, kReportSize}, Row{64, 0, 0}}) {
    ReportLink sized{kFast};
    auto sink = std::make_shared<FakeDevice>();
    sized.SetCaps(
        {static_cast<std::uint16_t>(row.input), static_cast<std::uint16_t>(row.output), 0});
    sized.SetDevice(sink);
    sized.StartThreads([](LinkThread, int) {});
    sized.RaiseWritePending();
    ASSERT_TRUE(Eventually([&] { return !sized.IsSending() && sink->Reads() > 0; }))
        << row.output;
    ASSERT_EQ(sink->Writes().size(), row.written == 0 ? 0u : 1u);
    if (row.written != 0) {
      EXPECT_EQ(sink->Writes()[0].size(), row.written);
    }
    EXPECT_LE(sink->LargestRead(), kReportSize);
  }
}

// What is reported of the failed one, the dialog's box shows (its scenario tests).
TEST(ReportLinkThreads, AFailedThreadLeavesTheOtherToStart) {
  for (const LinkThread failing : {LinkThread::Reader, LinkThread::Writer}) {
    std::vector<LinkThread> launched;
    ReportLink link{kFast, [&](LinkThread which, LinkWorker& worker, LinkPass pass) {
                      launched.push_back(which);
                      return which == failing ? EAGAIN
                                              : LaunchThread(which, worker, std::move(pass));
                    }};
    link.StartThreads([](LinkThread, int) {});
    EXPECT_THAT(launched, ElementsAre(LinkThread::Reader, LinkThread::Writer));
  }
}

}  // namespace
}  // namespace kr55le
