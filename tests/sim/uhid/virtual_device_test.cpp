// The virtual device without the kernel: its descriptor read back by our own parser, and its
// uhid events over a socket pair that keeps event boundaries as /dev/uhid does.
#include "sim/uhid/virtual_device.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "device/protocol.h"
#include "platform/linux/report_descriptor.h"
#include "sim/model_descriptor.h"
#include "tests/sim/sim_test_requests.h"

namespace kr55le::uhid {
namespace {

// The report IDs of the descriptor's main items of one kind, in order.
std::vector<std::uint8_t> DeclaredIds(const std::vector<std::uint8_t>& descriptor,
                                      std::uint8_t mainItem) {
  std::vector<std::uint8_t> ids;
  std::uint8_t current = hid::kNoReportId;
  for (std::size_t at = 0; at < descriptor.size();
       at += 1 + kShortItemDataSizes[descriptor[at] & kItemSizeMask]) {
    if (descriptor[at] == sim::kItemReportId1) current = descriptor.at(at + 1);
    if (descriptor[at] == mainItem) ids.push_back(current);
  }
  return ids;
}

TEST(UhidDescriptor, ParsesIntoTheConfiguredReportLengthsAndIds) {
  const struct {
    std::uint16_t input;
    std::uint16_t output;
    std::uint16_t expectedInput;
    std::uint8_t statusId = sim::kDefaultStatusReplyId;
    std::vector<std::uint8_t> inputIds = {0x01, 0x08};
  } cases[] = {{64, 1024, 64}, {1025, 4096, 1025, 0x03, {0x03, 0x08}}, {1, 1024, 0, 0x01, {}}};
  for (const auto& c : cases) {
    const auto descriptor = sim::BuildReportDescriptor({.inputReportLength = c.input,
                                                        .outputReportLength = c.output,
                                                        .statusReplyId = c.statusId});
    const hid::HidCaps caps = ParseReportDescriptor(descriptor);
    EXPECT_EQ(caps.InputReportByteLength, c.expectedInput) << c.input;
    EXPECT_EQ(caps.OutputReportByteLength, c.output) << c.output;
    EXPECT_EQ(caps.FeatureReportByteLength, 0) << c.input;
    EXPECT_EQ(DeclaredIds(descriptor, sim::kItemInput1), c.inputIds) << int{c.statusId};
  }
}

const UhidIdentity kIdentity{"Pardo KR-55LE", 0x0483, 0x5750, 0x0100};

// The device on one end of a socket pair; the test plays the kernel on the other.
class Kernel {
 public:
  explicit Kernel(sim::SimDeviceConfig config = {}) {
    int pair[2] = {-1, -1};
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    kernel_ = pair[0];
    device.emplace(pair[1], config, kIdentity);
  }
  ~Kernel() { ::close(kernel_); }

  void Send(const uhid_event& event) {
    ASSERT_EQ(::send(kernel_, &event, sizeof event, 0), static_cast<ssize_t>(sizeof event));
    EXPECT_EQ(device->HandleEvent(Clock::time_point{}), "");
  }
  // Sends only the first `size` bytes of `event`; what the device made of them.
  std::string SendCut(const uhid_event& event, std::size_t size) {
    EXPECT_EQ(::send(kernel_, &event, size, 0), static_cast<ssize_t>(size));
    return device->HandleEvent(Clock::time_point{});
  }
  // The next event the device wrote, or nothing when it wrote none.
  std::optional<uhid_event> Received() {
    uhid_event event;
    std::memset(&event, 0, sizeof event);
    if (::recv(kernel_, &event, sizeof event, MSG_DONTWAIT) != sizeof event) return std::nullopt;
    return event;
  }

  std::optional<VirtualDevice> device;

 private:
  int kernel_ = -1;
};

uhid_event Event(std::uint32_t type) {
  uhid_event event;
  std::memset(&event, 0, sizeof event);
  event.type = type;
  return event;
}

uhid_event OutputRequest(std::uint8_t command) {
  uhid_event event = Event(UHID_OUTPUT);
  event.u.output.size = kReportSize;
  event.u.output.data[0] = kRequestReportId;
  event.u.output.data[1] = command;
  return event;
}

TEST(VirtualDevice, CreatesTheDeviceWithItsIdentityAndDescriptor) {
  Kernel kernel({.statusReplyId = 3});
  EXPECT_EQ(kernel.device->Create(), "");
  const std::optional<uhid_event> create = kernel.Received();
  ASSERT_TRUE(create);
  EXPECT_EQ(create->type, UHID_CREATE2);
  EXPECT_STREQ(reinterpret_cast<const char*>(create->u.create2.name), "Pardo KR-55LE");
  EXPECT_EQ(create->u.create2.vendor, 0x0483u);
  EXPECT_EQ(create->u.create2.product, 0x5750u);
  const auto descriptor = sim::BuildReportDescriptor({.statusReplyId = 3});
  ASSERT_EQ(create->u.create2.rd_size, descriptor.size());
  EXPECT_EQ(std::memcmp(create->u.create2.rd_data, descriptor.data(), descriptor.size()), 0);
}

// create2 holds a descriptor up to its rd_data and a name one byte short of its field, which
// keeps the terminating zero; a byte more of either does not fit.
TEST(UhidEvent, CreateTakesADescriptorAndNameUpToWhatTheEventHolds) {
  constexpr std::size_t kMaxDescriptorBytes = sizeof(uhid_create2_req::rd_data);
  constexpr std::uint8_t kLastByte = 0xC0;  // END_COLLECTION, as a descriptor ends
  const struct {
    std::size_t descriptorBytes;
    std::size_t nameBytes;
    bool fits;
  } cases[] = {
      {kMaxDescriptorBytes, kMaxNameBytes, true},
      {kMaxDescriptorBytes + 1, kMaxNameBytes, false},
      {kMaxDescriptorBytes, kMaxNameBytes + 1, false},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> descriptor(c.descriptorBytes);
    descriptor.back() = kLastByte;
    UhidIdentity identity = kIdentity;
    identity.name.assign(c.nameBytes, 'K');
    const std::optional<EventBytes> bytes = EncodeCreate(identity, descriptor);
    ASSERT_EQ(bytes.has_value(), c.fits) << c.descriptorBytes << " " << c.nameBytes;
    if (!bytes) continue;
    uhid_event event;
    std::memcpy(&event, bytes->data(), sizeof event);
    EXPECT_EQ(event.u.create2.rd_size, kMaxDescriptorBytes);
    EXPECT_EQ(event.u.create2.rd_data[kMaxDescriptorBytes - 1], kLastByte);
    EXPECT_EQ(reinterpret_cast<const char*>(event.u.create2.name), identity.name);
  }
}

TEST(VirtualDevice, AnswersEachKernelEventWithTheEventItExpects) {
  uhid_event getReport = Event(UHID_GET_REPORT);
  getReport.u.get_report.id = 7;
  uhid_event setReport = Event(UHID_SET_REPORT);
  setReport.u.set_report.id = 9;
  const struct {
    const char* name;
    uhid_event sent;
    std::optional<std::uint32_t> answerType;
  } cases[] = {
      {"device info request", OutputRequest(kCommandDeviceInfo), UHID_INPUT2},
      {"exit request", OutputRequest(kCommandExit), std::nullopt},
      {"get report", getReport, UHID_GET_REPORT_REPLY},
      {"set report", setReport, UHID_SET_REPORT_REPLY},
      {"open", Event(UHID_OPEN), std::nullopt},
  };
  for (const auto& c : cases) {
    Kernel kernel;
    kernel.Send(c.sent);
    EXPECT_EQ(kernel.device->SendDue(Clock::time_point{}), "");
    const std::optional<uhid_event> answer = kernel.Received();
    ASSERT_EQ(answer.has_value(), c.answerType.has_value()) << c.name;
    if (!answer) continue;
    EXPECT_EQ(answer->type, *c.answerType) << c.name;
    if (answer->type == UHID_INPUT2) {
      EXPECT_EQ(answer->u.input2.size, 64) << c.name;
      EXPECT_EQ(answer->u.input2.data[0], kDeviceInfoReplyId) << c.name;
    } else if (answer->type == UHID_GET_REPORT_REPLY) {
      EXPECT_EQ(answer->u.get_report_reply.id, 7u);
      EXPECT_EQ(answer->u.get_report_reply.err, EIO);
    } else {
      EXPECT_EQ(answer->u.set_report_reply.id, 9u);
      EXPECT_EQ(answer->u.set_report_reply.err, EIO);
    }
  }
}

TEST(VirtualDevice, AnEventCutShortIsMalformedNotReadWithTheRestOfTheBuffer) {
  Kernel kernel;
  EXPECT_EQ(kernel.SendCut(OutputRequest(kCommandDeviceInfo), 8),
            "read(uhid): a malformed event of 8 bytes");
  EXPECT_EQ(kernel.Received(), std::nullopt);
}

TEST(VirtualDevice, SendsAReplyOnlyOnceItIsDue) {
  const auto latency = std::chrono::milliseconds(50);
  Kernel kernel({.replyLatency = latency});
  kernel.Send(OutputRequest(kCommandDeviceInfo));
  ASSERT_EQ(kernel.device->NextDue(), Clock::time_point{} + latency);
  EXPECT_EQ(kernel.device->SendDue(Clock::time_point{} + std::chrono::milliseconds(49)), "");
  EXPECT_FALSE(kernel.Received());
  EXPECT_EQ(kernel.device->SendDue(Clock::time_point{} + latency), "");
  EXPECT_TRUE(kernel.Received());
  EXPECT_FALSE(kernel.device->NextDue());
}

uhid_event OutputOf(const std::vector<std::uint8_t>& report) {
  uhid_event event = Event(UHID_OUTPUT);
  event.u.output.size = static_cast<std::uint16_t>(report.size());
  std::copy(report.begin(), report.end(), event.u.output.data);
  return event;
}

TEST(VirtualDevice, AModelThatUnplugsItselfDestroysTheDevice) {
  Kernel kernel({.unplugAtBlock = 0});
  std::vector<std::uint8_t> output = sim::testing::NewOutput();
  kernel.Send(OutputOf(sim::testing::CheckRequest(output, "Pardo", "02.00.00")));
  kernel.Send(OutputOf(sim::testing::StartRequest(output)));
  const std::vector<std::uint8_t> data(kBlockDataSize, 0);
  BuildDataBlockReport(ReportView(std::span(output)), kBlockDataSize, data);
  kernel.Send(OutputOf(output));
  EXPECT_TRUE(kernel.device->Destroyed());
  const std::optional<uhid_event> destroy = kernel.Received();
  ASSERT_TRUE(destroy);
  EXPECT_EQ(destroy->type, UHID_DESTROY);
}

}  // namespace
}  // namespace kr55le::uhid
