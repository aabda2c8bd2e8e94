// kr55le-flash as a script runs it: the built executable over the simulated device.
#include <gmock/gmock.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/cli/flash_process.h"
#include "tests/cli/json_object.h"
#include "tests/upgrade/temp_file.h"

namespace kr55le::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::size_t kBlock = 1008;
constexpr std::size_t kMaxPayload = 2097152;
constexpr std::uint8_t kFiller = 0x55;
// Small enough that a silent device's wait ends at once, large enough for the others to pass.
constexpr char kShortWaits[] = "0.05";
constexpr char kTinyWaits[] = "0.001";

std::vector<std::uint8_t> Payload(std::size_t size) {
  std::vector<std::uint8_t> payload(size);
  for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return payload;
}

std::string UniqueName(const std::string& name) {
  return std::to_string(::getpid()) + "-" + name;
}

struct Image {
  Image(const std::string& kind, const std::string& version, std::size_t payloadSize)
      : payload(Payload(payloadSize)),
        file(MakeImage(kind, version, payload), UniqueName("image.bin")) {}
  std::string path() const { return file.path(); }
  std::vector<std::uint8_t> payload;
  TempFile file;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string DumpPath() {
  return (std::filesystem::path(::testing::TempDir()) / UniqueName("dump.bin")).string();
}

TEST(FlashProcess, InfoIdentifiesTheDeviceAndExitsZero) {
  const FlashRun run =
      RunFlash({"--simulate", "serial=SN00000042,software-version=02.01.07", "info"});
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.OutLines(),
              ElementsAre("message: Device is connected in firmware upgrade mode.Browse a file for "
                          "upgrade.",
                          "serial: SN00000042", "software-version: 02.01.07",
                          "bootloader-version: 01.00.00", "upgrade-mode: Firmware upgrade",
                          "file-version:"));
}

TEST(FlashProcess, InfoWithoutADeviceExitsOneSayingSo) {
  const FlashRun run = RunFlash({"--simulate", "devices=0", "info"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.LastMessage(), "No device is attached");
}

TEST(FlashProcess, CheckExitsZeroExactlyWhenTheDeviceAcceptsTheImage) {
  const struct {
    const char* device;
    const char* kind;
    const char* version;
    int status;
    const char* lastMessage;
  } cases[] = {
      {"mode=firmware", "Pardo", "01.02.00", 0, "Do you want to upgrade the device?"},
      {"software-version=01.02.00", "Pardo", "01.02.00", 0,
       "Device software version is same as  file software version, do you want to repair?"},
      {"mode=firmware", "AUDIO", "01.02.00", 1,
       "Error: Invalid file,please select valid binary file"},
      {"mode=firmware", "Pardo", "1.2.0", 1, "Error: Invalid File"},
  };
  for (const auto& c : cases) {
    const Image image(c.kind, c.version, kBlock);
    const FlashRun run = RunFlash({"--simulate", c.device, "check", image.path()});
    EXPECT_EQ(run.status, c.status) << c.kind << " " << c.version;
    EXPECT_EQ(run.LastMessage(), c.lastMessage);
  }
}

TEST(FlashProcess, CheckPrintsTheFileVersionLast) {
  const Image image("Pardo", "01.02.00", kBlock);
  const FlashRun run = RunFlash({"--simulate=", "check", image.path()});
  ASSERT_FALSE(run.OutLines().empty());
  EXPECT_EQ(run.OutLines().back(), "file-version: 01.02.00");
}

TEST(FlashProcess, UpgradeDeliversThePayloadWithItsFillerAndExitsZero) {
  const struct {
    const char* mode;
    const char* kind;
    std::size_t payloadSize;
    const char* completed;
  } cases[] = {
      {"mode=firmware", "Pardo", 5 * kBlock + 17, "Firmware upgrade completed"},
      {"mode=audio", "AUDIO", 3 * kBlock, "Audio upgrade completed"},
  };
  for (const auto& c : cases) {
    const Image image(c.kind, "02.00.01", c.payloadSize);
    const std::string dump = DumpPath();
    // The options stand after the command word here.
    const FlashRun run =
        RunFlash({"upgrade", image.path(), "--simulate", c.mode, "--simulate-dump", dump});
    EXPECT_EQ(run.status, 0) << c.mode;
    EXPECT_EQ(run.LastMessage(), c.completed);
    std::vector<std::uint8_t> expected = image.payload;
    expected.resize((c.payloadSize / kBlock + 1) * kBlock, kFiller);
    EXPECT_EQ(ReadBytes(dump), expected) << c.mode;
    std::filesystem::remove(dump);
  }
}

TEST(FlashProcess, UpgradeFailingAtABlockExitsOneWithTheWindowsText) {
  const Image image("Pardo", "02.00.01", 8 * kBlock);
  const FlashRun run = RunFlash({"--simulate", "fail-at=3", "upgrade", image.path()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.LastMessage(), "Communication error: Uploading is failed, please try again");
}

TEST(FlashProcess, SilentDeviceEndsWithinTheScaledWaits) {
  const struct {
    const char* silence;
    const char* scale;
    const char* lastMessage;
  } cases[] = {
      {"silent=info", kTinyWaits,
       "Device is not connected in upgrade mode, read user manual for device upgrade."},
      {"silent=check", kShortWaits, "Communication error: Reset the device and try again"},
  };
  const Image image("Pardo", "02.00.01", kBlock);
  for (const auto& c : cases) {
    const FlashRun run =
        RunFlash({"--wait-scale", c.scale, "--simulate", c.silence, "upgrade", image.path()});
    EXPECT_EQ(run.status, 1) << c.silence;
    EXPECT_EQ(run.LastMessage(), c.lastMessage);
  }
}

TEST(FlashProcess, TwoDevicesAreIdentifiedButNotUpgraded) {
  const FlashRun info = RunFlash({"--simulate", "devices=2", "info"});
  EXPECT_EQ(info.status, 0);
  EXPECT_THAT(info.err, HasSubstr("Multiple devices are attached."));

  const Image image("Pardo", "02.00.01", kBlock);
  const FlashRun upgrade = RunFlash({"--simulate", "devices=2", "upgrade", image.path()});
  EXPECT_EQ(upgrade.status, 1);
  EXPECT_EQ(upgrade.LastMessage(), "Multiple device attached");
}

TEST(FlashProcess, WrongUsageExitsTwoNamingTheFault) {
  const struct {
    std::vector<std::string> arguments;
    const char* named;
  } cases[] = {
      {{"--frob", "info"}, "'--frob'"},       {{"--simulate", "mode=disk", "info"}, "'disk'"},
      {{"check"}, "missing IMAGE"},           {{"info", "extra"}, "'extra'"},
      {{"--wait-scale", "0", "info"}, "'0'"}, {{}, "missing command"},
  };
  for (const auto& c : cases) {
    const FlashRun run = RunFlash(c.arguments);
    EXPECT_EQ(run.status, 2) << c.named;
    EXPECT_THAT(run.err, HasSubstr(c.named));
    EXPECT_THAT(run.err, HasSubstr("usage: kr55le-flash"));
    EXPECT_EQ(run.out, "");
  }
}

TEST(FlashProcess, JsonOutputIsOneObjectWithTheKeys) {
  const Image image("AUDIO", "02.00.01", kBlock);
  const FlashRun run = RunFlash({"check", image.path(), "--json", "--simulate", "mode=audio"});
  EXPECT_EQ(run.status, 0);
  const auto object = JsonReader(run.out).Object();
  ASSERT_TRUE(object.has_value()) << run.out;
  using Strings = std::vector<std::string>;
  EXPECT_EQ(std::get<Strings>(object->at("messages")),
            (Strings{"Device is connected in audio upgrade mode.Browse a file for upgrade.",
                     "Do you want to upgrade the device?"}));
  EXPECT_EQ(std::get<std::string>(object->at("serial")), "KR55LE0001");
  EXPECT_EQ(std::get<std::string>(object->at("software-version")), "01.00.00");
  EXPECT_EQ(std::get<std::string>(object->at("bootloader-version")), "01.00.00");
  EXPECT_EQ(std::get<std::string>(object->at("upgrade-mode")), "Audio upgrade");
  EXPECT_EQ(std::get<std::string>(object->at("file-version")), "02.00.01");
}

TEST(FlashProcess, CtrlCDuringTheTransferActsAsTheCancelButton) {
  const Image image("Pardo", "02.00.01", kMaxPayload);
  const std::string dump = DumpPath();
  // A slow device, so that the transfer is still running when the press lands.
  FlashProcess process(
      {"--simulate", "reply-ms=5", "--simulate-dump", dump, "upgrade", image.path()});
  ASSERT_TRUE(process.ReadUntil("message: Firmware is Upgrading"));
  process.Interrupt();
  const FlashRun run = process.Finish();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.LastMessage(),
            "Upgrade discontinued. Please re-connect the device in upgrade mode");
  EXPECT_LT(ReadBytes(dump).size(), kMaxPayload);
  std::filesystem::remove(dump);
}

TEST(FlashProcess, InspectJudgesCraftedFilesAsTheWindowWould) {
  const std::vector<std::uint8_t> firmwareHeader = MakeImage("Pardo", "01.02.03", {});
  const auto withPayload = [&](std::size_t size) {
    return MakeImage("Pardo", "01.02.03", Payload(size));
  };
  const std::vector<std::string> headerLines = {"kind: firmware", "version: 01.02.03",
                                                "version-well-formed: yes"};
  const auto lines = [&](std::vector<std::string> tail) {
    std::vector<std::string> all = headerLines;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  const std::vector<std::string> tooShort = {"kind: unknown", "version:", "version-well-formed: no",
                                             "size-verdict: File size too large",
                                             "verdict: Error: Invalid File"};
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int status;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty", {}, 1, tooShort},
      {"ten bytes", std::vector<std::uint8_t>(10, 0x41), 1, tooShort},
      {"header only", firmwareHeader, 1,
       lines({"payload-bytes: 0", "size-verdict: Empty file selected",
              "verdict: Empty file selected"})},
      {"wrong kind",
       MakeImage("XXXXX", "01.02.03", Payload(10)),
       0,
       {"kind: unknown", "version: 01.02.03", "version-well-formed: yes", "payload-bytes: 10",
        "blocks: 1", "filler-bytes: 998", "size-verdict: ok", "verdict: ok"}},
      {"bad version",
       MakeImage("AUDIO", "1.2.3", Payload(10)),
       1,
       {"kind: audio", "version: 1.2.3", "version-well-formed: no", "payload-bytes: 10",
        "blocks: 1", "filler-bytes: 998", "size-verdict: ok", "verdict: Error: Invalid File"}},
      {"one byte", withPayload(1), 0,
       lines({"payload-bytes: 1", "blocks: 1", "filler-bytes: 1007", "size-verdict: ok",
              "verdict: ok"})},
      {"2 MiB", withPayload(kMaxPayload), 0,
       lines({"payload-bytes: 2097152", "blocks: 2081", "filler-bytes: 496", "size-verdict: ok",
              "verdict: ok"})},
      {"2 MiB and one", withPayload(kMaxPayload + 1), 1,
       lines({"payload-bytes: 2097153", "size-verdict: File size too large",
              "verdict: File size too large"})},
  };
  for (const auto& c : cases) {
    const TempFile file(c.bytes, UniqueName("crafted.bin"));
    const FlashRun run = RunFlash({"inspect", file.path()});
    EXPECT_EQ(run.status, c.status) << c.name;
    EXPECT_EQ(run.OutLines(), c.lines) << c.name;
  }
}

TEST(FlashProcess, InspectOfAMissingFileGivesTheWindowsRefusal) {
  const FlashRun run = RunFlash({"inspect", "/nonexistent/image.bin"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.OutLines(), ElementsAre("verdict: Please select the valid file"));
}

}  // namespace
}  // namespace kr55le::testing
