#include "sim/sim_hid_services.h"

#include <gtest/gtest.h>

#include <thread>

#include "res/names.h"
#include "sim/replay_script.h"
#include "sim_test_requests.h"

namespace kr55le::sim {
namespace {

using hid::HidError;
using record::Event;
using record::EventKind;
using std::chrono::milliseconds;
using testing::InfoRequest;
using testing::Report;
using Bytes = std::vector<std::uint8_t>;

// Long enough never to end a wait on a busy machine; a passing test never waits this long.
constexpr std::chrono::milliseconds kGenerous{10000};
constexpr std::chrono::hours kForever{1};
constexpr std::chrono::milliseconds kShort{20};

std::shared_ptr<hid::HidDevice> OpenOrFail(SimHidServices& services, const std::string& path) {
  hid::HidResult result;
  auto device = services.Open(path, result);
  EXPECT_TRUE(result.ok()) << result.message;
  return device;
}

TEST(SimHidServices, EnumeratesInterfacesInTheLinuxShape) {
  SimHidServices services;
  services.Plug();
  services.PlugUnrelated();
  services.Plug({.hasDescription = false});

  const auto interfaces = services.Enumerate();
  ASSERT_EQ(interfaces.size(), 3u);
  EXPECT_EQ(interfaces[0].path, "/dev/hidraw0#vid_0483&pid_5750");
  EXPECT_NE(interfaces[0].path.find(name::kVendorMatch), std::string::npos);
  EXPECT_EQ(interfaces[0].description, "Pardo KR-55LE");
  EXPECT_EQ(interfaces[1].path, "/dev/hidraw1#vid_046d&pid_c31c");
  EXPECT_EQ(interfaces[2].path, "/dev/hidraw2#vid_0483&pid_5750");
  EXPECT_FALSE(interfaces[2].description.has_value());
}

// Any case of its path opens the device at hidraw0; another node's path does not reach it.
TEST(SimHidServices, OpensAnUpperCasedPathAndReportsIdentityButNotAnAbsentPath) {
  SimHidServices services;
  services.Plug({.inputReportLength = 1100});
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
  hid::HidResult result;
  EXPECT_EQ(services.Open("/dev/hidraw7#vid_0483&pid_5750", result), nullptr);
  EXPECT_EQ(result.error, HidError::NotFound);
}

// A device of the default configuration, plugged and opened.
class OpenedSimDevice : public ::testing::Test {
 protected:
  SimHidServices services;
  const std::size_t id = services.Plug();
  const std::shared_ptr<hid::HidDevice> device = OpenOrFail(services, services.PathOf(id));
};

// A reply longer than the buffer is too long, and cut at the buffer's end.
TEST_F(OpenedSimDevice, AnswersAWriteWithAReplyToRead) {
  for (const std::size_t buffer : {kReportSize, std::size_t{16}}) {
    ASSERT_TRUE(device->Write(InfoRequest()).ok());
    Report input(kReportSize + 1, 0xEE);
    std::size_t received = 0;
    const HidError error = device->Read(std::span(input).first(buffer), received, kGenerous).error;
    const std::size_t whole = std::min<std::size_t>(buffer, kDefaultInputReportLength);
    EXPECT_EQ(error, whole < kDefaultInputReportLength ? HidError::TooLong : HidError::None);
    EXPECT_EQ(received, whole);
    EXPECT_EQ(input[0], kDeviceInfoReplyId);
    EXPECT_EQ(input[whole], 0xEE);
  }
  EXPECT_EQ(services.ReceivedReports(id), std::vector<Report>(2, InfoRequest()));
}

// A read already waiting is woken by the reply, not by the end of its wait.
TEST_F(OpenedSimDevice, AWaitingReadGetsTheReplyAsSoonAsItComes) {
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

TEST_F(OpenedSimDevice, WriteOfAPartialReportIsNotSent) {
  const Report request = InfoRequest();
  EXPECT_EQ(device->Write(std::span(request).first(64)).error, HidError::NotSent);
  EXPECT_TRUE(services.ReceivedReports(id).empty());
}

TEST(SimHidDevice, UnplugEndsAWaitingReadWithGoneAndSendsNotices) {
  std::vector<hid::DeviceChange> notices;  // sent on the thread that plugs and unplugs
  SimHidServices services;
  services.RegisterNotices([&notices](hid::DeviceChange change) { notices.push_back(change); });
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
  EXPECT_FALSE(services.Unplug(id));  // once only
  EXPECT_EQ(notices, (std::vector{hid::DeviceChange::Arrival, hid::DeviceChange::Removal}));
}

TEST(SimHidDevice, UnplugFaultRemovesTheDeviceDuringTheWrite) {
  std::vector<hid::DeviceChange> notices;
  SimHidServices services;
  const std::size_t id = services.Plug({.unplugAtBlock = 0});
  services.RegisterNotices([&notices](hid::DeviceChange change) { notices.push_back(change); });
  auto device = OpenOrFail(services, services.PathOf(id));
  Report output = testing::NewOutput();
  ASSERT_TRUE(device->Write(testing::CheckRequest(output, "Pardo", "01.00.00")).ok());
  ASSERT_TRUE(device->Write(testing::StartRequest(output)).ok());
  Report block(kReportSize, 0);
  BuildDataBlockReport(ReportView(std::span(block)), 10, Report(kBlockDataSize, 0));

  EXPECT_EQ(device->Write(block).error, HidError::Gone);
  EXPECT_FALSE(services.IsPlugged(id));
  EXPECT_EQ(notices, std::vector{hid::DeviceChange::Removal});
  EXPECT_EQ(services.Counters(id).dataReportsReceived, 1u);
}

// A recorded session played back as the devices it enumerated.
std::vector<Event> Session() {
  return {
      {.kind = EventKind::Interfaces,
       .interfaces = {{"/dev/hidraw0#vid_0483&pid_5750", "Pardo KR-55LE"},
                      {"/dev/hidraw1#vid_046d&pid_c31c", std::nullopt},
                      {"/dev/hidraw2#vid_04&pid_5750", std::nullopt}}},
      {.kind = EventKind::Open, .handle = 0, .path = "/DEV/HIDRAW0#VID_0483&PID_5750"},
      {.kind = EventKind::Caps, .handle = 0, .caps = {64, 1024, 0}},
      {.kind = EventKind::Read, .micros = 1000, .handle = 0, .bytes = {9}},  // before any write
      {.kind = EventKind::Write, .micros = 2000, .handle = 0, .bytes = {1, 1}},
      {.kind = EventKind::Read, .micros = 2500, .handle = 0, .bytes = {3}},
      {.kind = EventKind::Read, .micros = 19000, .handle = 0, .bytes = {4}},
      // Reopened after a scan: the same device, its reports go on.
      {.kind = EventKind::Open, .handle = 1, .path = "/dev/hidraw0#vid_0483&pid_5750"},
      {.kind = EventKind::Caps, .handle = 1, .caps = {65, 65, 0}},  // the first ones hold
      {.kind = EventKind::Open,
       .handle = 2,
       .path = "/dev/hidraw7",
       .error = hid::HidError::NotFound},
      {.kind = EventKind::Write, .micros = 30000, .handle = 1, .bytes = {2, 0}},
      {.kind = EventKind::WriteFailed, .micros = 30100, .handle = 1, .error = hid::HidError::Gone},
  };
}

TEST(ReplayScript, EachEnumeratedInterfaceWithWhatWasWrittenAndReadOnItsPath) {
  const std::vector<ReplayDevice> devices = ReplayDevices(Session());
  ASSERT_EQ(devices.size(), 3U);
  const ReplayDevice& kr55le = devices[0];
  EXPECT_EQ(kr55le.path, "/dev/hidraw0#vid_0483&pid_5750");
  EXPECT_EQ(kr55le.attributes, (hid::HidAttributes{0x0483, 0x5750, 0}));
  EXPECT_EQ(kr55le.caps, (hid::HidCaps{64, 1024, 0}));
  ASSERT_EQ(kr55le.steps.size(), 2U);
  EXPECT_EQ(kr55le.steps[0].request, (Bytes{1, 1}));
  ASSERT_EQ(kr55le.steps[0].replies.size(), 2U);
  EXPECT_EQ(kr55le.steps[0].replies[1].report, Bytes{4});
  EXPECT_EQ(kr55le.steps[0].replies[1].delay, milliseconds(17));
  EXPECT_FALSE(kr55le.steps[0].gone);
  EXPECT_TRUE(kr55le.steps[1].gone);
  EXPECT_EQ(kr55le.statusReplyId, 3);  // the first reply after a write
  // Never opened: it answers nothing, and keeps the IDs its path names.
  EXPECT_TRUE(devices[1].steps.empty());
  EXPECT_EQ(devices[1].attributes.VendorID, 0x046d);
  EXPECT_EQ(devices[2].attributes.VendorID, 0);  // not four digits: no ID
  EXPECT_FALSE(devices[1].description.has_value());
}

TEST(ReplayScript, AnswersUntilAReportDiffersAndSaysWhere) {
  const auto device = std::make_shared<const ReplayDevice>(ReplayDevices(Session())[0]);
  const struct {
    bool recordedTiming;
    std::vector<Bytes> sent;
    std::size_t answered;  // replies to the last report sent
    bool unplug;
    const char* told;
  } cases[] = {
      {false, {{1, 1}}, 2, false, ""},
      {false, {{1, 1}, {2, 0}}, 0, true, ""},
      {false,
       {{1, 2}, {1, 1}},
       0,
       false,
       "replay: report 1 differs at byte 1: expected 0x01, got 0x02\n"},
      {false, {{1, 1, 0}}, 0, false, "replay: report 1 is 3 bytes long, the recorded one 2\n"},
      {false,  // said once, however many come after
       {{1, 1}, {2, 0}, {2, 0}, {2, 0}},
       0,
       false,
       "replay: report 3 comes after the end of the recording\n"},
      {true, {{1, 1}}, 2, false, ""},
  };
  for (const auto& c : cases) {
    ReplayCursor cursor(device, c.recordedTiming);
    ::testing::internal::CaptureStderr();
    DeviceResponse response;
    for (const Bytes& report : c.sent) response = cursor.Answer(report);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.told);
    EXPECT_EQ(response.replies.size(), c.answered);
    EXPECT_EQ(response.unplug, c.unplug);
    if (c.answered == 2) {
      EXPECT_EQ(response.replies[1].delay, c.recordedTiming ? milliseconds(17) : milliseconds(0));
    }
  }
}

}  // namespace
}  // namespace kr55le::sim
