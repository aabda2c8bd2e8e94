// Overlapped transfers on a named pipe, which like a HID handle completes reads only when data
// comes: a read that finds none is cancelled and leaves the handle usable.
#include "platform/win32/overlapped_transfer.h"

#include <gtest/gtest.h>

#include <string>

namespace kr55le::win32 {
namespace {

using namespace std::chrono_literals;

constexpr DWORD kPipeBuffer = 4096;
constexpr std::size_t kReport = 8;

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
  write.Buffer().assign({1, 2, 3, 4, 5, 6, 7, 8});
  const TransferResult sent = write.Run(server_.Get(), 1000ms);
  ASSERT_EQ(sent.outcome, TransferOutcome::Done);
  EXPECT_EQ(sent.transferred, kReport);

  const TransferResult received = read.Run(client_.Get(), 1000ms);
  ASSERT_EQ(received.outcome, TransferOutcome::Done);
  EXPECT_EQ(received.transferred, kReport);
  EXPECT_EQ(read.Buffer(), write.Buffer());
}

TEST_F(OverlappedTransferTest, TransferOnAnInvalidHandleFails) {
  OverlappedTransfer read(TransferKind::Read, kReport);
  const TransferResult result = read.Run(INVALID_HANDLE_VALUE, 10ms);
  EXPECT_EQ(result.outcome, TransferOutcome::Failed);
  EXPECT_NE(result.error, 0u);
}

}  // namespace
}  // namespace kr55le::win32
