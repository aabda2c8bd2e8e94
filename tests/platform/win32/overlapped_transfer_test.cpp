// Overlapped transfers on a named pipe, which like a HID handle completes reads only when data
// comes: a read that finds none is cancelled and leaves the handle usable. And on a stand-in
// driver that holds on to a cancelled transfer: nothing touches the buffer it holds, and what
// it ends with late is not lost.
#include "platform/win32/overlapped_transfer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace kr55le::win32 {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAreArray;

constexpr DWORD kPipeBuffer = 4096;
constexpr std::size_t kReport = 8;

using Report = std::array<std::uint8_t, kReport>;

class OverlappedTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name =
        R"(\\.\pipe\kr55le-transfer-)" + std::to_string(::GetCurrentProcessId());
    server_ = UniqueHandle(::CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, kPipeBuffer, kPipeBuffer, 0, nullptr));
    ASSERT_TRUE(server_.Valid());
    client_ = UniqueHandle(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    ASSERT_TRUE(client_.Valid());
  }
  UniqueHandle server_;
  UniqueHandle client_;
};

TEST_F(OverlappedTransferTest, ReadWithoutDataTimesOutAndTheNextReadGetsTheMessage) {
  OverlappedTransfer read(TransferKind::Read, kReport);
  EXPECT_EQ(read.Run(client_.Get(), 10ms).outcome, TransferOutcome::TimedOut);

  OverlappedTransfer write(TransferKind::Write, kReport);
  const Report message{1, 2, 3, 4, 5, 6, 7, 8};
  const TransferResult sent = write.Run(server_.Get(), 1000ms, message);
  ASSERT_EQ(sent.outcome, TransferOutcome::Done);
  EXPECT_EQ(sent.transferred, kReport);

  const TransferResult received = read.Run(client_.Get(), 1000ms);
  ASSERT_EQ(received.outcome, TransferOutcome::Done);
  EXPECT_EQ(received.transferred, kReport);
  EXPECT_THAT(read.Buffer(), ElementsAreArray(message));
}

TEST_F(OverlappedTransferTest, AShortWriteGoesOutPaddedWithZeros) {
  OverlappedTransfer write(TransferKind::Write, kReport);
  const std::uint8_t message[] = {7, 6, 5};
  ASSERT_EQ(write.Run(server_.Get(), 1000ms, message).outcome, TransferOutcome::Done);
  OverlappedTransfer read(TransferKind::Read, kReport);
  ASSERT_EQ(read.Run(client_.Get(), 1000ms).outcome, TransferOutcome::Done);
  EXPECT_THAT(read.Buffer(), ElementsAreArray(Report{7, 6, 5, 0, 0, 0, 0, 0}));
}

TEST_F(OverlappedTransferTest, TransferOnAnInvalidHandleFails) {
  OverlappedTransfer read(TransferKind::Read, kReport);
  const TransferResult result = read.Run(INVALID_HANDLE_VALUE, 10ms);
  EXPECT_EQ(result.outcome, TransferOutcome::Failed);
  EXPECT_NE(result.error, 0u);
  EXPECT_FALSE(result.queued);
}

// A driver with one transfer in flight at a time, which ends it when the test says so: at once
// when started, on CancelIoEx when it honours that, or later on its own (Complete).
class StandInDriver final : public TransferCalls {
 public:
  bool completesAtOnce = false;
  bool honoursCancel = true;
  int starts = 0;
  std::vector<std::uint8_t> sent;  // what the buffer held when the last write started
  std::uint8_t* held = nullptr;    // the buffer of the last transfer started
  DWORD heldSize = 0;

  BOOL Start(TransferKind kind, HANDLE, std::uint8_t* buffer, DWORD size, OVERLAPPED*) override {
    ++starts;
    held = buffer;
    heldSize = size;
    if (kind == TransferKind::Write) sent.assign(buffer, buffer + size);
    if (completesAtOnce) {
      End(size, 0);
      return TRUE;
    }
    inFlight_ = true;
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  BOOL Cancel(HANDLE, OVERLAPPED*) override {
    if (!inFlight_) {
      ::SetLastError(ERROR_NOT_FOUND);
      return FALSE;
    }
    if (honoursCancel) End(0, ERROR_OPERATION_ABORTED);
    return TRUE;
  }
  BOOL Result(HANDLE, OVERLAPPED*, DWORD* transferred) override {
    if (inFlight_) {
      ::SetLastError(ERROR_IO_INCOMPLETE);
      return FALSE;
    }
    if (error_ != 0) {
      ::SetLastError(error_);
      return FALSE;
    }
    *transferred = transferred_;
    return TRUE;
  }
  DWORD Wait(HANDLE, DWORD) override { return inFlight_ ? WAIT_TIMEOUT : WAIT_OBJECT_0; }

  std::span<const std::uint8_t> HeldBytes() const { return {held, heldSize}; }
  // The transfer in flight ends: a read with `report` received, a write with all sent.
  void Complete(std::span<const std::uint8_t> report = {}) {
    std::copy(report.begin(), report.end(), held);
    End(report.empty() ? heldSize : static_cast<DWORD>(report.size()), 0);
  }

 private:
  void End(DWORD transferred, DWORD error) {
    inFlight_ = false;
    transferred_ = transferred;
    error_ = error;
  }
  bool inFlight_ = false;
  DWORD transferred_ = 0;
  DWORD error_ = 0;
};

// Any handle: the stand-in driver does not look at it.
const HANDLE kDevice = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x1234));

TEST(StuckTransferTest, AWriteWhileACancelledWriteIsPendingLeavesItsBufferAloneAndFails) {
  StandInDriver driver;
  driver.honoursCancel = false;
  OverlappedTransfer write(TransferKind::Write, kReport, driver);
  const Report first{1, 2, 3, 4, 5, 6, 7, 8};
  const TransferResult stuck = write.Run(kDevice, 10ms, first);
  EXPECT_EQ(stuck.outcome, TransferOutcome::Stuck);
  EXPECT_TRUE(stuck.queued);  // the driver may have sent some of it
  ASSERT_EQ(driver.starts, 1);
  EXPECT_THAT(driver.sent, ElementsAreArray(first));

  const Report second{9, 9, 9, 9, 9, 9, 9, 9};
  const TransferResult refused = write.Run(kDevice, 10ms, second);
  EXPECT_EQ(refused.outcome, TransferOutcome::Stuck);
  EXPECT_FALSE(refused.queued);
  EXPECT_EQ(driver.starts, 1);
  EXPECT_THAT(driver.HeldBytes(), ElementsAreArray(first));  // what the driver is still sending

  // Once the stuck write has ended, the next one goes out.
  driver.Complete();
  driver.completesAtOnce = true;
  const TransferResult sent = write.Run(kDevice, 10ms, second);
  EXPECT_EQ(sent.outcome, TransferOutcome::Done);
  EXPECT_EQ(sent.transferred, kReport);
  EXPECT_EQ(driver.starts, 2);
  EXPECT_THAT(driver.sent, ElementsAreArray(second));
}

TEST(StuckTransferTest, AReadThatEndsAfterItsCancellationHandsOverItsReport) {
  StandInDriver driver;
  driver.honoursCancel = false;
  OverlappedTransfer read(TransferKind::Read, kReport, driver);
  EXPECT_EQ(read.Run(kDevice, 10ms).outcome, TransferOutcome::Stuck);
  EXPECT_EQ(read.Run(kDevice, 10ms).outcome, TransferOutcome::Stuck);  // still the driver's
  EXPECT_EQ(driver.starts, 1);

  const Report late{0, 0x81, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  driver.Complete(late);
  const TransferResult received = read.Run(kDevice, 10ms);
  ASSERT_EQ(received.outcome, TransferOutcome::Done);
  EXPECT_EQ(received.transferred, kReport);
  EXPECT_THAT(read.Buffer(), ElementsAreArray(late));
  EXPECT_EQ(driver.starts, 1);  // the report was this call's: no read was started for it

  // The next call reads afresh.
  driver.honoursCancel = true;
  EXPECT_EQ(read.Run(kDevice, 10ms).outcome, TransferOutcome::TimedOut);
  EXPECT_EQ(driver.starts, 2);
}

}  // namespace
}  // namespace kr55le::win32
