#include "platform/sim/device_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "sim_test_requests.h"

namespace kr55le::sim {
namespace {

using testing::CheckRequest;
using testing::NewOutput;
using testing::Report;
using testing::StartRequest;
using Bytes = std::map<std::size_t, std::uint8_t>;

Bytes Text(std::size_t offset, std::string_view text) {
  Bytes bytes;
  for (std::size_t i = 0; i < text.size(); ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(text[i]);
  return bytes;
}

Bytes Merge(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(part.begin(), part.end());
  return all;
}

Report InfoRequest(Report& output) {
  BuildDeviceInfoRequest(ReportView(std::span(output)));
  return output;
}

Report ExitRequest(Report& output) {
  BuildExitRequest(ReportView(std::span(output)));
  return output;
}

SimDeviceConfig With(const std::function<void(SimDeviceConfig&)>& change) {
  SimDeviceConfig config;
  change(config);
  return config;
}

struct ReplyCase {
  const char* name;
  SimDeviceConfig config;
  // Sent in order into one buffer; only the last request's reply is checked.
  std::vector<std::function<Report(Report&)>> requests;
  std::optional<Bytes> nonZeroBytes;  // nothing: the device stays silent
};

std::vector<ReplyCase> ReplyCases() {
  const auto check = [](std::string_view kind, std::string_view version) {
    return [=](Report& output) { return CheckRequest(output, kind, version); };
  };
  const SimDeviceConfig audio = With([](auto& config) {
    config.mode = UpgradeMode::Audio;
    config.serialNumber = "AB";
    config.softwareVersion = "3.1";
    config.inputReportLength = 200;
  });
  return {
      {"InfoOfAudioDeviceZeroPadsShortTexts",
       audio,
       {InfoRequest},
       Merge({{{0, 0x08}, {27, 0x05}}, Text(1, "AB"), Text(11, "3.1"), Text(19, "01.00.00")})},
      {"CheckAcceptsFirmwareOfOtherVersion",
       {},
       {check("Pardo", "01.00.01")},
       Bytes{{0, 1}, {1, 1}, {2, 0x11}, {3, 0x33}}},
      {"CheckRejectsAudioOnFirmwareDevice",
       {},
       {check("AUDIO", "01.00.00")},
       Bytes{{0, 1}, {1, 1}, {3, 0x44}}},
      {"CheckRejectsKindInOtherCase",
       {},
       {check("PARDO", "01.00.00")},
       Bytes{{0, 1}, {1, 1}, {3, 0x44}}},
      {"CheckRejectsVersionWithoutDots",
       {},
       {check("Pardo", "01-00-00")},
       Bytes{{0, 1}, {1, 1}, {3, 0x33}}},
      {"StartWithoutCheckIsRefused", {}, {StartRequest}, Bytes{{0, 1}}},
      {"StartAfterRejectedCheckIsRefused",
       {},
       {check("AUDIO", "01.00.00"), StartRequest},
       Bytes{{0, 1}}},
      {"OneCheckPermitsOneStart",
       {},
       {check("Pardo", "01.00.00"), StartRequest, StartRequest},
       Bytes{{0, 1}}},
      {"ExitHasNoReply", {}, {ExitRequest}, std::nullopt},
      {"UnknownReportIdHasNoReplyEvenToAKnownCommand",
       {},
       {[](Report& output) {
         InfoRequest(output);
         output[0] = 0x07;
         return output;
       }},
       std::nullopt},
  };
}

class DeviceModelReplies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(DeviceModelReplies, AnswersAsTheDeviceWould) {
  const ReplyCase& test = GetParam();
  DeviceModel model(test.config);
  Report output = NewOutput();
  DeviceResponse response;
  for (const auto& request : test.requests) response = model.HandleOutputReport(request(output));

  ASSERT_EQ(!response.replies.empty(), test.nonZeroBytes.has_value());
  if (response.replies.empty()) return;
  const Report& reply = response.replies.front().report;
  ASSERT_EQ(reply.size(), test.config.inputReportLength);
  for (std::size_t i = 0; i < reply.size(); ++i) {
    const auto expected = test.nonZeroBytes->find(i);
    EXPECT_EQ(reply[i], expected == test.nonZeroBytes->end() ? 0 : expected->second)
        << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Requests, DeviceModelReplies, ::testing::ValuesIn(ReplyCases()),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(DeviceModel, StartReplyIsDueAfterTheEraseDelayAndLatency) {
  DeviceModel model(With([](auto& config) {
    config.eraseDelay = std::chrono::milliseconds(700);
    config.replyLatency = std::chrono::milliseconds(20);
  }));
  Report output = NewOutput();
  EXPECT_EQ(model.HandleOutputReport(CheckRequest(output, "Pardo", "01.00.00")).replies.at(0).delay,
            std::chrono::milliseconds(20));
  EXPECT_EQ(model.HandleOutputReport(StartRequest(output)).replies.at(0).delay,
            std::chrono::milliseconds(720));
  // A start without a check of its own is refused, and counted all the same.
  model.HandleOutputReport(StartRequest(output));
  EXPECT_EQ(model.Counters().startRequests, 2U);
}

}  // namespace
}  // namespace kr55le::sim
