#include "platform/linux/hidraw_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/linux/descriptors.h"
#include "tests/platform/linux/fake_tree.h"
#include "tests/support/eventually.h"

namespace kr55le {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Far longer than any test needs: a call that waited for it would hang the test.
constexpr auto kForever = std::chrono::hours(1);
constexpr auto kGenerous = std::chrono::seconds(30);

// A device on one end of a SEQPACKET socket pair (which keeps report boundaries as hidraw
// does); the test plays the device on the other end.
class HidrawDeviceTest : public ::testing::Test {
 protected:
  HidrawDeviceTest() { Open({}); }
  ~HidrawDeviceTest() override { ClosePeer(); }

  void Open(const std::filesystem::path& descriptorFile) {
    ClosePeer();
    int ends[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    device_ = std::make_unique<HidrawDevice>(ends[0], descriptorFile, "socket");
    node_ = ends[0];
    peer_ = ends[1];
  }

  void Send(const Bytes& report) {
    ASSERT_EQ(::send(peer_, report.data(), report.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(report.size()));
  }

  Bytes Receive(int flags = 0) {
    std::array<std::uint8_t, 2048> buffer;
    const ssize_t got = ::recv(peer_, buffer.data(), buffer.size(), flags);
    if (got < 0) return {};
    return Bytes(buffer.begin(), buffer.begin() + got);
  }

  void ClosePeer() {
    if (peer_ >= 0) ::close(peer_);
    peer_ = -1;
  }

  // One Read into a 64-byte buffer: its error and the bytes it gave.
  std::pair<hid::HidError, Bytes> Read(std::chrono::milliseconds timeout = kGenerous) {
    std::array<std::uint8_t, kBuffer> report{};
    std::size_t received = 0;
    const hid::HidError error = device_->Read(report, received, timeout).error;
    return {error, Bytes(report.begin(), report.begin() + static_cast<long>(received))};
  }
  static constexpr std::size_t kBuffer = 64;

  std::unique_ptr<HidrawDevice> device_;
  int node_ = -1;  // the device's end, which it owns
  int peer_ = -1;
};

TEST_F(HidrawDeviceTest, ReadGivesOneReportPerCallOrTimesOut) {
  EXPECT_EQ(Read(10ms), std::pair(hid::HidError::TimedOut, Bytes{}));
  Send({0x08, 0x01, 0x02});
  Send({0x08, 0x03, 0x04, 0x05, 0x06});
  EXPECT_EQ(Read(), std::pair(hid::HidError::None, Bytes{0x08, 0x01, 0x02}));
  EXPECT_EQ(Read(), std::pair(hid::HidError::None, Bytes{0x08, 0x03, 0x04, 0x05, 0x06}));
}

// Nothing of a report longer than the buffer is given, also when its added ID makes it so.
TEST_F(HidrawDeviceTest, ReportLongerThanTheBufferIsTooLongAndNotCopied) {
  for (const bool unnumbered : {false, true}) {
    testing::TempFolder folder;
    testing::WriteFile(folder.path() / "report_descriptor",
                       unnumbered ? testing::kVendorUnnumbered : Bytes{});
    Open(folder.path() / "report_descriptor");
    Send(Bytes(unnumbered ? kBuffer : kBuffer + 1, 0xA5));
    EXPECT_EQ(Read(), std::pair(hid::HidError::TooLong, Bytes{})) << unnumbered;
  }
}

TEST_F(HidrawDeviceTest, WriteToAFullNodeGoesThroughOnceThePeerReads) {
  ASSERT_EQ(::fcntl(node_, F_SETFL, O_NONBLOCK), 0);
  int queued = 0;
  while (::send(node_, "\x01", 1, MSG_DONTWAIT | MSG_NOSIGNAL) == 1) ++queued;
  ASSERT_EQ(errno, EAGAIN);
  std::thread peer([&] {
    for (int n = 0; n < queued; ++n) Receive();
  });
  EXPECT_TRUE(device_->Write(Bytes{0x01, 0x02}).ok());
  peer.join();
  EXPECT_EQ(Receive(MSG_DONTWAIT), (Bytes{0x01, 0x02}));
}

// By the kernel (an eventfd takes no 2-byte write: EINVAL), or for want of room on the node.
TEST_F(HidrawDeviceTest, WriteRefusedBeforeAnythingLeftIsNotSent) {
  ASSERT_EQ(::fcntl(node_, F_SETFL, O_NONBLOCK), 0);
  while (::send(node_, "\x01", 1, MSG_DONTWAIT | MSG_NOSIGNAL) == 1) {
  }
  EXPECT_EQ(device_->Write(Bytes{0x01, 0x02}).error, hid::HidError::NotSent);
  device_ = std::make_unique<HidrawDevice>(::eventfd(0, EFD_CLOEXEC), std::filesystem::path(), "e");
  EXPECT_EQ(device_->Write(Bytes{0x01, 0x02}).error, hid::HidError::NotSent);
}

// Known gone, a write does not reach the socket (a closed one would say "Broken pipe").
TEST_F(HidrawDeviceTest, OnceGoneEveryCallFailsWithoutTouchingTheNode) {
  // The peer stops sending but still reads, so a write that reached the socket would show.
  ASSERT_EQ(::shutdown(peer_, SHUT_WR), 0);
  ASSERT_EQ(Read(kForever).first, hid::HidError::Gone);
  EXPECT_EQ(Read(kForever).first, hid::HidError::Gone);  // and stays so

  const hid::HidResult write = device_->Write(Bytes{0x01, 0x01});
  EXPECT_EQ(write.error, hid::HidError::Gone);
  EXPECT_EQ(write.message, "write(socket): No such device");
  EXPECT_TRUE(Receive(MSG_DONTWAIT).empty());
  hid::HidCaps caps;
  EXPECT_EQ(device_->GetCaps(caps).error, hid::HidError::Gone);
  hid::HidAttributes attributes;
  EXPECT_EQ(device_->GetAttributes(attributes).error, hid::HidError::Gone);
}

// A hang-up seen by poll (a pipe without writers stands in for an unplugged node) is final too:
// later calls must not reach the node, where they would fail with other errors.
TEST_F(HidrawDeviceTest, HangUpLeavesTheDeviceGone) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  device_ = std::make_unique<HidrawDevice>(ends[0], std::filesystem::path(), "pipe");
  ::close(ends[1]);
  ASSERT_EQ(Read(kForever).first, hid::HidError::Gone);
  hid::HidAttributes attributes;
  EXPECT_EQ(device_->GetAttributes(attributes).error, hid::HidError::Gone);
  EXPECT_EQ(device_->Write(Bytes{0x01, 0x01}).error, hid::HidError::Gone);
}

// Whether thread `tid` of this process sleeps in poll, as the kernel tells.
bool WaitsInPoll(pid_t tid) {
  std::ifstream wchan("/proc/self/task/" + std::to_string(tid) + "/wchan");
  std::string where;
  return std::getline(wchan, where) && where.find("poll") != std::string::npos;
}

// So is a hang-up that a write waiting for room sees.
TEST_F(HidrawDeviceTest, HangUpWhileAWriteWaitsForRoomLeavesTheDeviceGone) {
  ASSERT_EQ(::fcntl(node_, F_SETFL, O_NONBLOCK), 0);
  while (::send(node_, "\x01", 1, MSG_DONTWAIT | MSG_NOSIGNAL) == 1) {
  }
  ASSERT_EQ(errno, EAGAIN);
  std::atomic<pid_t> writerThread{0};
  hid::HidResult write;
  std::thread writer([&] {
    writerThread = ::gettid();
    write = device_->Write(Bytes{0x01, 0x02});
  });
  // Hung up only once the write waits: before, the write itself would fail.
  const bool waiting =
      kr55le::testing::Eventually([&] { return writerThread != 0 && WaitsInPoll(writerThread); });
  ClosePeer();
  writer.join();
  ASSERT_TRUE(waiting);
  EXPECT_EQ(write.error, hid::HidError::Gone);
  hid::HidAttributes attributes;
  EXPECT_EQ(device_->GetAttributes(attributes).error, hid::HidError::Gone);
}

TEST_F(HidrawDeviceTest, ReadsAndWritesRunAtTheSameTime) {
  constexpr int kReports = 200;
  std::thread deviceSide([this] {
    for (int n = 0; n < kReports; ++n) Send({0x08, static_cast<std::uint8_t>(n)});
    for (int n = 0; n < kReports; ++n)
      EXPECT_EQ(Receive(), (Bytes{0x01, static_cast<std::uint8_t>(n)}));
  });
  std::thread writer([this] {
    for (int n = 0; n < kReports; ++n) {
      EXPECT_TRUE(device_->Write(Bytes{0x01, static_cast<std::uint8_t>(n)}).ok());
    }
  });
  for (int n = 0; n < kReports; ++n) {
    EXPECT_EQ(Read(), std::pair(hid::HidError::None, Bytes{0x08, static_cast<std::uint8_t>(n)}));
  }
  writer.join();
  deviceSide.join();
}

// Callers see the report ID first, 0 for a device that numbers no reports. hidraw reads leave
// that byte out, while its write wants it (and the transport driver drops it).
struct ReportIdCase {
  std::string name;
  Bytes descriptor;
  Bytes fromNode;    // read from the node
  Bytes toCaller;    // what Read gives for it
  Bytes fromCaller;  // given to Write
  Bytes toNode;      // written to the node for it
  friend void PrintTo(const ReportIdCase& row, std::ostream* out) { *out << row.name; }
};

const ReportIdCase kReportIdCases[] = {
    {"UnnumberedDevice",
     testing::kVendorUnnumbered,
     {0x00, 0xA5},
     {0x00, 0x00, 0xA5},
     {0x00, 0xA5, 0x01},
     {0x00, 0xA5, 0x01}},
    {"NumberedDevice",
     testing::kVendorNumbered,
     {0x08, 0xA5},
     {0x08, 0xA5},
     {0x01, 0xA5, 0x01},
     {0x01, 0xA5, 0x01}},
    // Nothing to tell the numbering by: reports pass as the node gives them.
    {"DescriptorWithoutReports",
     {},
     {0x08, 0xA5},
     {0x08, 0xA5},
     {0x01, 0xA5, 0x01},
     {0x01, 0xA5, 0x01}},
};

class ReportIdTest : public HidrawDeviceTest, public ::testing::WithParamInterface<ReportIdCase> {
 protected:
  ReportIdTest() {
    testing::WriteFile(folder_.path() / "report_descriptor", GetParam().descriptor);
    Open(folder_.path() / "report_descriptor");
  }

  testing::TempFolder folder_;
};

TEST_P(ReportIdTest, ReadGivesTheIdFirstAndWriteGivesTheNodeWhatHidrawExpects) {
  Send(GetParam().fromNode);
  EXPECT_EQ(Read(), std::pair(hid::HidError::None, GetParam().toCaller));
  ASSERT_TRUE(device_->Write(GetParam().fromCaller).ok());
  EXPECT_EQ(Receive(), GetParam().toNode);
}

INSTANTIATE_TEST_SUITE_P(Numbering, ReportIdTest, ::testing::ValuesIn(kReportIdCases),
                         [](const auto& testCase) { return testCase.param.name; });

// Caps without a descriptor file ask the node too.
TEST_F(HidrawDeviceTest, QueriesOfANonHidrawNodeFailAndNameTheIoctl) {
  hid::HidAttributes attributes;
  const hid::HidResult result = device_->GetAttributes(attributes);
  EXPECT_EQ(result.error, hid::HidError::Io);
  EXPECT_EQ(result.systemError, ENOTTY);
  EXPECT_EQ(result.message.rfind("ioctl(socket, HIDIOCGRAWINFO): ", 0), 0u) << result.message;
  hid::HidCaps caps;
  const hid::HidResult capsResult = device_->GetCaps(caps);
  EXPECT_EQ(capsResult.error, hid::HidError::Io);
  EXPECT_EQ(capsResult.message.rfind("ioctl(socket, HIDIOCGRDESCSIZE): ", 0), 0u)
      << capsResult.message;
}

TEST(HidrawDevice, SignedRawIdsBecomeUnsigned) {
  hidraw_devinfo info{};
  info.vendor = 0x0483;
  info.product = static_cast<__s16>(-8431);  // 0xDF11
  const hid::HidAttributes attributes = AttributesFromRawInfo(info);
  EXPECT_EQ(attributes.VendorID, 0x0483);
  EXPECT_EQ(attributes.ProductID, 0xDF11);
}

}  // namespace
}  // namespace kr55le
