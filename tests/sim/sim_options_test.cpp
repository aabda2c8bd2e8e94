#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "sim/payload_dump.h"

namespace kr55le::sim {
namespace {

TEST(SimOptions, TextGivesTheConfiguredDevices) {
  using std::chrono::milliseconds;
  const struct {
    const char* text;
    SimDeviceConfig config = {};  // each field not given keeps its default
    std::size_t devices = kDefaultDeviceCount;
    std::vector<DeviceEntry> entries = {};
    std::string replayPath = {};
    bool replayRecordedTiming = false;
  } cases[] = {
      {""},
      {"mode=audio,serial=SN42,software-version=02.01.00,bootloader-version=9",
       {.mode = UpgradeMode::Audio,
        .serialNumber = "SN42",
        .softwareVersion = "02.01.00",
        .bootloaderVersion = "9"}},
      {"resend-every=5,fail-at=7,lost-ack-at=2,unplug-at=2080",
       {.failAtBlock = 7, .resendEvery = 5, .lostAckAtBlock = 2, .unplugAtBlock = 2080}},
      {"silent=start", {.silent = SilentRequest::UpgradeStart}},
      {"silent=block:12", {.silent = SilentRequest::Block, .silentBlock = 12}},
      {"replay=/tmp/a=b.jsonl,replay-timing=recorded", {}, 1, {}, "/tmp/a=b.jsonl", true},
      {"devices=3,no-description,chatter,repeat-ack",
       {.hasDescription = false, .repeatAckAfterResend = true, .chatter = true},
       3},
      {"2:silent=block:4,devices=3,mode=audio,3:chatter",
       {.mode = UpgradeMode::Audio},
       3,
       {{2, "silent=block:4"}, {3, "chatter"}}},
      {"input-length=2048,output-length=1025,erase-ms=1500,reply-ms=3",
       {.inputReportLength = 2048,
        .outputReportLength = 1025,
        .eraseDelay = milliseconds(1500),
        .replyLatency = milliseconds(3)}},
      {"status-id=255,again-code=0,reply-fill=1",
       {.statusReplyId = 0xFF, .sendAgainCode = 0x00, .replyFill = 0x01}},
  };
  for (const auto& c : cases) {
    const SimOptionsResult result = ParseSimOptions(c.text);
    EXPECT_TRUE(result.ok()) << c.text << ": " << result.error;
    const SimOptions expected{c.config, c.devices, c.entries, c.replayPath, c.replayRecordedTiming};
    EXPECT_TRUE(result.options == expected) << c.text;
  }
}

TEST(SimOptions, RefusedTextNamesTheCulprit) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"foo=1", "unknown key 'foo'"},
      {"fail-at=x", "bad value 'x' for fail-at"},
      {"replay=", "missing value for replay"},
      {"serial=KR\x7f", "bad value 'KR\x7f' for serial"},  // texts are printable ASCII
      {"replay-timing=slow", "bad value 'slow' for replay-timing"},
      {"2:replay=a.jsonl", "replay is for the whole bus"},
      {"fail-at=2081", "bad value '2081' for fail-at"},
      {"mode=Audio", "bad value 'Audio' for mode"},
      {"serial=KR55LE00001", "bad value 'KR55LE00001' for serial"},
      {"software-version=01.00.000", "bad value '01.00.000' for software-version"},
      {"silent=block:", "bad value 'block:' for silent"},
      {"silent=exit", "bad value 'exit' for silent"},
      {"resend-every=0", "bad value '0' for resend-every"},
      {"devices=17", "bad value '17' for devices"},
      {"0:fail-at=1", "bad device number '0'"},
      {"x:chatter", "bad device number 'x'"},
      {"2:devices=3", "devices is for the whole bus"},
      {"devices=3,2:fail-at=x", "bad value 'x' for fail-at"},
      {"devices=2,3:chatter", "no device 3 among 2"},
      {"input-length=65536", "bad value '65536' for input-length"},
      // The identification's ID or none; "accepted" or "failed"; past a byte.
      {"status-id=8", "bad value '8' for status-id"},
      {"status-id=0", "bad value '0' for status-id"},
      {"again-code=1", "bad value '1' for again-code"},
      {"again-code=3", "bad value '3' for again-code"},
      {"reply-fill=256", "bad value '256' for reply-fill"},
      // Past what 64 bits hold: the parse fails though it read every digit.
      {"reply-ms=99999999999999999999", "bad value '99999999999999999999' for reply-ms"},
      {"erase-ms=", "bad value '' for erase-ms"},
      {"chatter=yes", "key 'chatter' takes no value"},
      // The USB link's own keys, here as on the other transports.
      {"out-endpoint=no", "out-endpoint is for kr55le-usb-device alone"},
      {"mode=audio,,chatter", "empty entry"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSimOptions(c.text).error, c.error) << c.text;
}

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

// With several devices, the k-th serial ends in k, as wide as the digits it replaces; a device's
// own entries apply to it alone, after the bus entries wherever they stand.
TEST(SimOptions, DeviceSerialsEndInEachDevicesNumber) {
  const struct {
    const char* text;
    std::vector<std::string> serials;  // the devices', in order
  } cases[] = {
      {"", {"KR55LE0001"}},
      {"serial=SN7", {"SN7"}},  // one device keeps its own
      {"devices=3", {"KR55LE0001", "KR55LE0002", "KR55LE0003"}},
      {"devices=2,serial=ABC", {"ABC1", "ABC2"}},
      {"devices=2,serial=ABCDEFGHIJ", {"ABCDEFGHI1", "ABCDEFGHI2"}},
      {"devices=12,11:serial=OWN",
       {"KR55LE0001", "KR55LE0002", "KR55LE0003", "KR55LE0004", "KR55LE0005", "KR55LE0006",
        "KR55LE0007", "KR55LE0008", "KR55LE0009", "KR55LE0010", "OWN", "KR55LE0012"}},
      {"devices=3,2:serial=OWN,serial=ABC", {"ABC1", "OWN", "ABC3"}},
      {"devices=0", {}},
  };
  for (const auto& c : cases) {
    const SimOptionsResult result = ParseSimOptions(c.text);
    EXPECT_TRUE(result.ok()) << c.text << ": " << result.error;
    std::vector<std::string> serials;
    for (const SimDeviceConfig& config : DeviceConfigs(result.options)) {
      serials.push_back(config.serialNumber);
    }
    EXPECT_EQ(serials, c.serials) << c.text;
  }
}

// With several devices, --simulate-dump writes one file a device, named by its serial.
TEST(PayloadDump, OneOfSeveralIsNamedBySerialBeforeTheExtension) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"out.bin", "out-SN2.bin"},
      {"dir.d/out", "dir.d/out-SN2"},  // a dot in a folder is no extension
      {"dir/.dump", "dir/.dump-SN2"},  // nor is a hidden file's leading dot
      {"C:\\a\\b.c.bin", "C:\\a\\b.c-SN2.bin"},
  };
  for (const auto& row : cases) EXPECT_EQ(DumpPathOf(row.path, "SN2"), row.expected) << row.path;
}

#ifndef _WIN32
// A full disk is told, even for a few bytes that wait in the stream's buffer until it closes.
TEST(PayloadDump, AFileThatCannotBeWrittenWholeIsTold) {
  EXPECT_FALSE(WritePayloadDump("/dev/full", {1, 2, 3}));
  EXPECT_EQ(WritePayloadDumps("/dev/full", 1, {{"SN1", {1}}}),
            std::vector<std::string>{"/dev/full"});
}
#endif

}  // namespace
}  // namespace kr55le::sim
