#include "platform/sim/replay_script.h"

#include <gmock/gmock.h>

namespace kr55le::sim {
namespace {

using record::Event;
using record::EventKind;
using std::chrono::milliseconds;
using Bytes = std::vector<std::uint8_t>;

std::vector<Event> Session() {
  return {
      {.kind = EventKind::Interfaces,
       .interfaces = {{"/dev/hidraw0#vid_0483&pid_5750", "Pardo KR-55LE"},
                      {"/dev/hidraw1#vid_046d&pid_c31c", std::nullopt}}},
      {.kind = EventKind::Open, .handle = 0, .path = "/DEV/HIDRAW0#VID_0483&PID_5750"},
      {.kind = EventKind::Caps, .handle = 0, .caps = {64, 1024, 0}},
      {.kind = EventKind::Read, .micros = 1000, .handle = 0, .bytes = {9}},  // before any write
      {.kind = EventKind::Write, .micros = 2000, .handle = 0, .bytes = {1, 1}},
      {.kind = EventKind::Read, .micros = 2500, .handle = 0, .bytes = {3}},
      {.kind = EventKind::Read, .micros = 19000, .handle = 0, .bytes = {4}},
      // Reopened after a scan: the same device, its reports go on.
      {.kind = EventKind::Open, .handle = 1, .path = "/dev/hidraw0#vid_0483&pid_5750"},
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
  ASSERT_EQ(devices.size(), 2U);
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
  // Never opened: it answers nothing, and keeps the IDs its path names.
  EXPECT_TRUE(devices[1].steps.empty());
  EXPECT_EQ(devices[1].attributes.VendorID, 0x046d);
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
      {false,
       {{1, 1}, {2, 0}, {2, 0}},
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
