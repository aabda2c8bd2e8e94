#include "cli/arguments.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "dialog/wait_bounds.h"

namespace kr55le {
namespace {

using ::testing::HasSubstr;

using Words = std::vector<std::string_view>;

// The arguments of words that are understood.
FlashArguments Parsed(Words words) {
  const ParsedFlashArguments parsed = ParseFlashArguments(words);
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  return parsed.arguments;
}

TEST(FlashArguments, ReadsEachCommandWithItsImage) {
  const struct {
    Words words;
    FlashCommand command;
    const char* image;
  } cases[] = {
      {{"list"}, FlashCommand::List, ""},
      {{"info"}, FlashCommand::Info, ""},
      {{"check", "a.bin"}, FlashCommand::Check, "a.bin"},
      {{"upgrade", "b.bin"}, FlashCommand::Upgrade, "b.bin"},
      {{"inspect", "c.bin"}, FlashCommand::Inspect, "c.bin"},
      {{"inspect", "--", "-d.bin"}, FlashCommand::Inspect, "-d.bin"},
      {{"--help"}, FlashCommand::Help, ""},
      {{"upgrade", "-h"}, FlashCommand::Help, ""},
      {{"info", "--version"}, FlashCommand::Version, ""},
      {{"--version", "--help"}, FlashCommand::Help, ""},
      {{"-h", "--version"}, FlashCommand::Help, ""},
  };
  for (const auto& c : cases) {
    const FlashArguments arguments = Parsed(c.words);
    EXPECT_EQ(arguments.command, c.command);
    EXPECT_EQ(arguments.image, c.image);
  }
}

TEST(FlashArguments, TakesOptionsBeforeAndAfterTheCommandWord) {
  for (const Words& words :
       {Words{"--json", "--bell", "--wait-scale", "0.25", "--simulate", "mode=audio,devices=2",
              "--simulate-dump", "out.bin", "upgrade", "x.bin"},
        Words{"upgrade", "x.bin", "--json", "--bell", "--wait-scale=0.25",
              "--simulate=mode=audio,devices=2", "--simulate-dump=out.bin"},
        Words{"upgrade", "--json", "x.bin", "--bell", "--wait-scale", "0.25", "--simulate",
              "mode=audio,devices=2", "--simulate-dump", "out.bin", "--device", "/dev/hidraw1"}}) {
    const FlashArguments arguments = Parsed(words);
    EXPECT_EQ(arguments.command, FlashCommand::Upgrade);
    EXPECT_EQ(arguments.image, "x.bin");
    // The line as it was given, for a recording to name.
    EXPECT_EQ(arguments.words, std::vector<std::string>(words.begin(), words.end()));
    EXPECT_TRUE(arguments.json);
    EXPECT_TRUE(arguments.bell);
    EXPECT_DOUBLE_EQ(arguments.waitScale, 0.25);
    ASSERT_TRUE(arguments.simulate.has_value());
    EXPECT_EQ(arguments.simulate->config.mode, UpgradeMode::Audio);
    EXPECT_EQ(arguments.simulate->deviceCount, 2u);
    EXPECT_EQ(arguments.simulateDump, "out.bin");
  }
  EXPECT_EQ(Parsed({"--device=KR55LE0002", "check", "x.bin"}).device, "KR55LE0002");
  // --wait takes its seconds only after '=': alone, the next word is the command.
  const FlashArguments waiting = Parsed({"--wait", "info"});
  EXPECT_TRUE(waiting.waitForDevice);
  EXPECT_FALSE(waiting.waitLimit.has_value());
  EXPECT_EQ(Parsed({"list", "--wait=1.5"}).waitLimit, std::chrono::milliseconds(1500));
  // --each, like --wait, takes its count only after '='.
  for (const auto& [words, limit] : std::vector<std::pair<Words, std::optional<std::size_t>>>{
           {{"upgrade", "--each", "x.bin"}, std::nullopt},
           {{"--each=12", "upgrade", "x.bin"}, 12}}) {
    const FlashArguments station = Parsed(words);
    EXPECT_TRUE(station.each);
    EXPECT_EQ(station.eachLimit, limit);
    EXPECT_EQ(station.image, "x.bin");
  }
}

// The largest --wait-scale taken still lengthens every wait: no poll count wraps around.
TEST(FlashArguments, TheLargestWaitScaleTakenLengthensEveryWait) {
  const WaitBounds defaults;
  const WaitBounds scaled =
      ScaleWaitBounds(defaults, Parsed({"--wait-scale", "2147483648", "info"}).waitScale);
  EXPECT_GT(scaled.deviceInfo, defaults.deviceInfo);
  EXPECT_GT(scaled.acknowledgement.Total(), defaults.acknowledgement.Total());
  EXPECT_GT(scaled.browseCheck.Total(), defaults.browseCheck.Total());
}

TEST(FlashArguments, RefusesWrongUsageNamingTheFault) {
  const struct {
    Words words;
    const char* named;
  } cases[] = {
      {{}, "missing command"},
      {{"flash"}, "unknown command 'flash'"},
      {{"--frob", "info"}, "unknown option '--frob'"},
      {{"--json=yes", "info"}, "no value expected for --json"},
      {{"info", "--simulate"}, "missing value for --simulate"},
      {{"--simulate", "colour=red", "info"}, "--simulate: unknown key 'colour'"},
      {{"--simulate", "fail-at=x", "info"}, "bad value 'x' for fail-at"},
      {{"check"}, "missing IMAGE for check"},
      {{"upgrade", "a.bin", "b.bin"}, "unexpected argument 'b.bin'"},
      {{"--simulate-dump", "out.bin", "info"}, "--simulate-dump needs --simulate"},
      {{"--device", "KR55LE0001", "list"}, "--device is for info, check and upgrade"},
      {{"--all", "info"}, "--all is for check and upgrade"},
      {{"--serial", "SN1", "info"}, "--serial is for check and upgrade, without --all or --each"},
      {{"--serial=SN1", "--each", "upgrade", "x.bin"}, "--serial is for check and upgrade"},
      {{"upgrade", "a.bin", "--all", "--device", "/dev/hidraw1"},
       "--all and --device exclude each other"},
      {{"--wait", "inspect", "x.bin"}, "--wait is for list, info, check and upgrade"},
      {{"--wait=0", "info"}, "--wait needs a positive number of seconds, not '0'"},
      {{"--wait=86401", "info"}, "'86401'"},
      {{"--wait-scale", "0", "info"}, "'0'"},
      {{"--wait-scale", "1e-3", "info"}, "'1e-3'"},
      {{"--wait-scale", "inf", "info"}, "'inf'"},
      {{"--wait-scale", "0.5x", "info"}, "'0.5x'"},
      {{"--wait-scale", "4300000000", "info"}, "--wait-scale is at most 2147483648"},
      {{"--wait-scale", "99999999999999999999", "info"}, "'99999999999999999999'"},
      {{"--each", "check", "x.bin"}, "--each is for upgrade"},
      {{"--each=0", "upgrade", "x.bin"},
       "--each needs a positive whole number of devices, not '0'"},
      {{"--each=2.5", "upgrade", "x.bin"}, "'2.5'"},
      {{"--each", "--all", "upgrade", "x.bin"}, "--each and --all exclude each other"},
      {{"--each", "--device", "SN1", "upgrade", "x.bin"}, "--each and --device exclude each other"},
      {{"--each", "--wait", "upgrade", "x.bin"}, "--each waits for devices itself"},
  };
  for (const auto& c : cases) {
    const ParsedFlashArguments parsed = ParseFlashArguments(c.words);
    EXPECT_FALSE(parsed.ok()) << c.named;
    EXPECT_THAT(parsed.error, HasSubstr(c.named));
  }
}

}  // namespace
}  // namespace kr55le
