#include "platform/sim/sim_options.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kr55le::sim {
namespace {

struct GoodCase {
  const char* text;
  std::function<void(SimOptions&)> expect;  // how the result differs from the defaults
};

class GoodOptions : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodOptions, GiveTheConfiguredDevices) {
  const SimOptionsResult result = ParseSimOptions(GetParam().text);
  ASSERT_TRUE(result.ok()) << result.error;
  SimOptions expected;
  GetParam().expect(expected);
  EXPECT_TRUE(result.options == expected);
}

// The test's name spells its text: "fail-at=x" runs as fail_at_x.
template <typename Case>
std::string NameOf(const ::testing::TestParamInfo<Case>& testCase) {
  std::string name;
  for (const char character : std::string_view(testCase.param.text)) {
    name.push_back(std::isalnum(static_cast<unsigned char>(character)) ? character : '_');
  }
  return name.empty() ? "Empty" : name;
}

INSTANTIATE_TEST_SUITE_P(
    Options, GoodOptions,
    ::testing::Values(
        GoodCase{"", [](SimOptions&) {}},
        GoodCase{"mode=audio,serial=SN42,software-version=02.01.00,bootloader-version=9",
                 [](SimOptions& options) {
                   options.config.mode = UpgradeMode::Audio;
                   options.config.serialNumber = "SN42";
                   options.config.softwareVersion = "02.01.00";
                   options.config.bootloaderVersion = "9";
                 }},
        GoodCase{"resend-every=5,fail-at=7,lost-ack-at=2,unplug-at=2080",
                 [](SimOptions& options) {
                   options.config.resendEvery = 5;
                   options.config.failAtBlock = 7;
                   options.config.lostAckAtBlock = 2;
                   options.config.unplugAtBlock = 2080;
                 }},
        GoodCase{"silent=start",
                 [](SimOptions& options) { options.config.silent = SilentRequest::UpgradeStart; }},
        GoodCase{"silent=block:12",
                 [](SimOptions& options) {
                   options.config.silent = SilentRequest::Block;
                   options.config.silentBlock = 12;
                 }},
        GoodCase{"replay=/tmp/a=b.jsonl,replay-timing=recorded",
                 [](SimOptions& options) {
                   options.replayPath = "/tmp/a=b.jsonl";
                   options.replayRecordedTiming = true;
                 }},
        GoodCase{"devices=3,no-description,chatter,repeat-ack",
                 [](SimOptions& options) {
                   options.deviceCount = 3;
                   options.config.hasDescription = false;
                   options.config.chatter = true;
                   options.config.repeatAckAfterResend = true;
                 }},
        GoodCase{"2:silent=block:4,devices=3,mode=audio,3:chatter",
                 [](SimOptions& options) {
                   options.deviceCount = 3;
                   options.config.mode = UpgradeMode::Audio;
                   options.deviceEntries = {{.device = 2, .entry = "silent=block:4"},
                                            {.device = 3, .entry = "chatter"}};
                 }},
        GoodCase{"input-length=2048,output-length=1025,erase-ms=1500,reply-ms=3",
                 [](SimOptions& options) {
                   options.config.inputReportLength = 2048;
                   options.config.outputReportLength = 1025;
                   options.config.eraseDelay = std::chrono::milliseconds(1500);
                   options.config.replyLatency = std::chrono::milliseconds(3);
                 }}),
    NameOf<GoodCase>);

struct BadCase {
  const char* text;
  const char* error;
};

class BadOptions : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadOptions, IsRefusedNamingTheCulprit) {
  const SimOptionsResult result = ParseSimOptions(GetParam().text);
  EXPECT_EQ(result.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Options, BadOptions,
    ::testing::Values(
        BadCase{"foo=1", "unknown key 'foo'"}, BadCase{"chatty", "unknown key 'chatty'"},
        BadCase{"fail-at=x", "bad value 'x' for fail-at"},
        BadCase{"replay=", "missing value for replay"},
        BadCase{"serial=KR\x7f", "bad value 'KR\x7f' for serial"},  // texts are printable ASCII
        BadCase{"replay-timing=slow", "bad value 'slow' for replay-timing"},
        BadCase{"2:replay=a.jsonl", "replay is for the whole bus"},
        BadCase{"fail-at=-1", "bad value '-1' for fail-at"},
        BadCase{"fail-at=2081", "bad value '2081' for fail-at"},
        BadCase{"mode=Audio", "bad value 'Audio' for mode"},
        BadCase{"serial=KR55LE00001", "bad value 'KR55LE00001' for serial"},
        BadCase{"software-version=01.00.000", "bad value '01.00.000' for software-version"},
        BadCase{"silent=block:", "bad value 'block:' for silent"},
        BadCase{"silent=exit", "bad value 'exit' for silent"},
        BadCase{"resend-every=0", "bad value '0' for resend-every"},
        BadCase{"devices=17", "bad value '17' for devices"},
        BadCase{"devices", "missing value for devices"},
        BadCase{"0:fail-at=1", "bad device number '0'"},
        BadCase{"x:chatter", "bad device number 'x'"},
        BadCase{"2:devices=3", "devices is for the whole bus"},
        BadCase{"devices=3,2:fail-at=x", "bad value 'x' for fail-at"},
        BadCase{"devices=2,3:chatter", "no device 3 among 2"},
        BadCase{"input-length=65536", "bad value '65536' for input-length"},
        // Past what 64 bits hold: the parse fails though it read every digit.
        BadCase{"reply-ms=99999999999999999999", "bad value '99999999999999999999' for reply-ms"},
        BadCase{"erase-ms=", "bad value '' for erase-ms"},
        BadCase{"reply-ms", "missing value for reply-ms"},
        BadCase{"chatter=yes", "key 'chatter' takes no value"},
        // The USB link's own keys, here as on the other transports.
        BadCase{"out-endpoint=no", "out-endpoint is for kr55le-usb-device alone"},
        BadCase{"devices=2,2:disconnect-at", "disconnect-at is for kr55le-usb-device alone"},
        BadCase{"stall-at=3", "stall-at is for kr55le-usb-device alone"},
        BadCase{"mode=audio,,chatter", "empty entry"}, BadCase{"mode=audio,", "empty entry"}),
    NameOf<BadCase>);

TEST(SimOptions, TextChangesOnlyWhatItSetsOfTheDefaultsAndRefusedTextGivesThem) {
  SimOptions demo;
  demo.config.replyLatency = kFullSpeedReplyLatency;
  EXPECT_EQ(ParseSimOptions("mode=audio", demo).options.config.replyLatency,
            kFullSpeedReplyLatency);
  EXPECT_EQ(ParseSimOptions("reply-ms=0", demo).options.config.replyLatency,
            std::chrono::milliseconds(0));
  const SimOptionsResult refused = ParseSimOptions("mode=audio,devices=x", demo);
  EXPECT_FALSE(refused.ok());
  EXPECT_TRUE(refused.options == demo);
}

struct SerialCase {
  const char* text;
  std::vector<std::string> serials;  // the devices', in order
};

class DeviceSerials : public ::testing::TestWithParam<SerialCase> {};

// With several devices, the k-th serial ends in k, as wide as the digits it replaces.
TEST_P(DeviceSerials, EndInEachDevicesNumber) {
  const SimOptionsResult result = ParseSimOptions(GetParam().text);
  ASSERT_TRUE(result.ok()) << result.error;
  std::vector<std::string> serials;
  for (const SimDeviceConfig& config : DeviceConfigs(result.options)) {
    serials.push_back(config.serialNumber);
  }
  EXPECT_EQ(serials, GetParam().serials);
}

INSTANTIATE_TEST_SUITE_P(
    Options, DeviceSerials,
    ::testing::Values(SerialCase{"", {"KR55LE0001"}},
                      SerialCase{"serial=SN7", {"SN7"}},  // one device keeps its own
                      SerialCase{"devices=3", {"KR55LE0001", "KR55LE0002", "KR55LE0003"}},
                      SerialCase{"devices=2,serial=ABC", {"ABC1", "ABC2"}},
                      SerialCase{"devices=2,serial=ABCDEFGHIJ", {"ABCDEFGHI1", "ABCDEFGHI2"}},
                      SerialCase{"devices=12,11:serial=OWN",
                                 {"KR55LE0001", "KR55LE0002", "KR55LE0003", "KR55LE0004",
                                  "KR55LE0005", "KR55LE0006", "KR55LE0007", "KR55LE0008",
                                  "KR55LE0009", "KR55LE0010", "OWN", "KR55LE0012"}},
                      SerialCase{"devices=0", {}}),
    NameOf<SerialCase>);

TEST(SimOptions, ADevicesOwnEntriesApplyToItAloneAfterTheBusEntries) {
  const SimOptionsResult result = ParseSimOptions("devices=3,2:fail-at=5,fail-at=1,2:chatter");
  ASSERT_TRUE(result.ok()) << result.error;
  const std::vector<SimDeviceConfig> configs = DeviceConfigs(result.options);
  ASSERT_EQ(configs.size(), 3u);
  EXPECT_EQ(configs[0].failAtBlock, 1u);
  EXPECT_EQ(configs[1].failAtBlock, 5u);
  EXPECT_TRUE(configs[1].chatter);
  EXPECT_EQ(configs[2].failAtBlock, 1u);
  EXPECT_FALSE(configs[2].chatter);
}

}  // namespace
}  // namespace kr55le::sim
