#include "platform/sim/sim_hid_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "image/image_payload.h"
#include "platform/sim/report_queue.h"
#include "res/strings.h"
#include "sim_test_requests.h"

namespace kr55le::sim {
namespace {

using hid::HidError;
using testing::Report;

// Long enough never to end a wait on a busy machine; a passing test never waits this long.
constexpr std::chrono::milliseconds kGenerous{10000};
constexpr std::chrono::hours kForever{1};
constexpr std::chrono::milliseconds kShort{20};

class Notices {
 public:
  void Sink(SimHidServices& services) {
    services.RegisterNotices([this](hid::DeviceChange change) {
      std::lock_guard lock(mutex_);
      changes_.push_back(change);
    });
  }
  std::vector<hid::DeviceChange> Changes() {
    std::lock_guard lock(mutex_);
    return changes_;
  }

 private:
  std::mutex mutex_;
  std::vector<hid::DeviceChange> changes_;
};

std::shared_ptr<hid::HidDevice> OpenOrFail(SimHidServices& services, const std::string& path) {
  hid::HidResult result;
  auto device = services.Open(path, result);
  EXPECT_TRUE(result.ok()) << result.message;
  return device;
}

Report InfoRequest() {
  Report output = testing::NewOutput();
  BuildDeviceInfoRequest(ReportView(std::span(output)));
  return output;
}

TEST(SimHidServices, EnumeratesInterfacesInTheLinuxShape) {
  SimHidServices services;
  services.Plug();
  services.PlugUnrelated();
  SimDeviceConfig unnamed;
  unnamed.hasDescription = false;
  services.Plug(unnamed);

  const auto interfaces = services.Enumerate();
  ASSERT_EQ(interfaces.size(), 3u);
  EXPECT_EQ(interfaces[0].path, "/dev/hidraw0#vid_0483&pid_5750");
  EXPECT_NE(interfaces[0].path.find(text::kVendorMatch), std::string::npos);
  EXPECT_EQ(interfaces[0].description, "Pardo KR-55LE");
  EXPECT_EQ(interfaces[1].path, "/dev/hidraw1#vid_046d&pid_c31c");
  EXPECT_EQ(interfaces[2].path, "/dev/hidraw2#vid_0483&pid_5750");
  EXPECT_FALSE(interfaces[2].description.has_value());
}

TEST(SimHidServices, OpensAnUpperCasedPathAndReportsIdentity) {
  SimHidServices services;
  SimDeviceConfig config;
  config.inputReportLength = 1100;
  services.Plug(config);
  auto device = OpenOrFail(services, "/DEV/HIDRAW0#VID_0483&PID_5750");
  ASSERT_NE(device, nullptr);
  hid::HidAttributes attributes;
  hid::HidCaps caps;
  ASSERT_TRUE(device->GetAttributes(attributes).ok());
  ASSERT_TRUE(device->GetCaps(caps).ok());
  EXPECT_EQ(attributes.VendorID, 0x0483);
  EXPECT_EQ(attributes.ProductID, kSimulatedProductId);
  EXPECT_EQ(caps.InputReportByteLength, 1100);
  EXPECT_EQ(caps.OutputReportByteLength, 1024);
}

TEST(SimHidServices, OpeningAnAbsentPathFailsWithNotFound) {
  SimHidServices services;
  services.Plug();  // at hidraw0: another node's path must not reach it
  hid::HidResult result;
  EXPECT_EQ(services.Open("/dev/hidraw7#vid_0483&pid_5750", result), nullptr);
  EXPECT_EQ(result.error, HidError::NotFound);
}

TEST(SimHidDevice, AnswersAWriteWithAReplyToRead) {
  SimHidServices services;
  const std::size_t id = services.Plug();
  auto device = OpenOrFail(services, services.PathOf(id));
  ASSERT_TRUE(device->Write(InfoRequest()).ok());
  Report input(kReportSize, 0xEE);
  std::size_t received = 0;
  ASSERT_TRUE(device->Read(input, received, kGenerous).ok());
  EXPECT_EQ(received, kDefaultInputReportLength);
  EXPECT_EQ(input[0], kDeviceInfoReplyId);
  EXPECT_EQ(input[kDefaultInputReportLength], 0xEE);
  EXPECT_EQ(services.ReceivedReports(id), std::vector<Report>{InfoRequest()});
}

// A read already waiting is woken by the reply, not by the end of its wait.
TEST(SimHidDevice, AWaitingReadGetsTheReplyAsSoonAsItComes) {
  SimHidServices services;
  auto device = OpenOrFail(services, services.PathOf(services.Plug()));
  HidError readError = HidError::Io;
  std::thread reader([&] {
    Report input(kReportSize);
    std::size_t received = 0;
    readError = device->Read(input, received, kForever).error;
  });
  std::this_thread::sleep_for(kShort);  // so that the read waits first
  ASSERT_TRUE(device->Write(InfoRequest()).ok());
  reader.join();
  EXPECT_EQ(readError, HidError::None);
}

TEST(SimHidDevice, ReplyLongerThanTheBufferIsTooLongAndCutAtItsEnd) {
  SimHidServices services;
  auto device = OpenOrFail(services, services.PathOf(services.Plug()));
  ASSERT_TRUE(device->Write(InfoRequest()).ok());
  Report input(32, 0xEE);
  std::size_t received = 0;
  EXPECT_EQ(device->Read(std::span(input).first(16), received, kGenerous).error, HidError::TooLong);
  EXPECT_EQ(received, 16u);
  EXPECT_EQ(input[0], kDeviceInfoReplyId);
  EXPECT_EQ(input[16], 0xEE);
}

TEST(SimHidDevice, WriteOfAPartialReportFailsWithIo) {
  SimHidServices services;
  const std::size_t id = services.Plug();
  auto device = OpenOrFail(services, services.PathOf(id));
  const Report request = InfoRequest();
  EXPECT_EQ(device->Write(std::span(request).first(64)).error, HidError::Io);
  EXPECT_TRUE(services.ReceivedReports(id).empty());
}

TEST(SimHidDevice, UnplugEndsAWaitingReadWithGoneAndSendsNotices) {
  SimHidServices services;
  Notices notices;
  notices.Sink(services);
  const std::size_t id = services.Plug();
  auto device = OpenOrFail(services, services.PathOf(id));
  HidError readError = HidError::None;
  std::thread reader([&] {
    Report input(kReportSize);
    std::size_t received = 0;
    readError = device->Read(input, received, kGenerous).error;
  });
  ASSERT_TRUE(services.Unplug(id));
  reader.join();
  EXPECT_EQ(readError, HidError::Gone);
  EXPECT_EQ(device->Write(InfoRequest()).error, HidError::Gone);
  EXPECT_TRUE(services.Enumerate().empty());
  EXPECT_EQ(notices.Changes(),
            (std::vector{hid::DeviceChange::Arrival, hid::DeviceChange::Removal}));
}

TEST(SimHidDevice, UnplugFaultRemovesTheDeviceDuringTheWrite) {
  SimHidServices services;
  SimDeviceConfig config;
  config.unplugAtBlock = 0;
  const std::size_t id = services.Plug(config);
  Notices notices;
  notices.Sink(services);
  auto device = OpenOrFail(services, services.PathOf(id));
  Report output = testing::NewOutput();
  ASSERT_TRUE(device->Write(testing::CheckRequest(output, "Pardo", "01.00.00")).ok());
  ASSERT_TRUE(device->Write(testing::StartRequest(output)).ok());
  Report block(kReportSize, 0);
  BuildDataBlockReport(ReportView(std::span(block)), 10, Report(kBlockDataSize, 0));

  EXPECT_EQ(device->Write(block).error, HidError::Gone);
  EXPECT_FALSE(services.IsPlugged(id));
  EXPECT_EQ(notices.Changes(), std::vector{hid::DeviceChange::Removal});
  EXPECT_EQ(services.Counters(id).dataReportsReceived, 1u);
}

}  // namespace
}  // namespace kr55le::sim
