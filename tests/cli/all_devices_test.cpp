#include "cli/all_devices.h"

#include <gmock/gmock.h>

#include "tests/support/memory_stream.h"

namespace kr55le {
namespace {

// A device's run reads back the command, its image and the options that shape one run, with
// the device's path and its own recording, whatever the words look like.
TEST(AllDevices, EachRunReadsBackTheCommandForItsDevice) {
  const std::vector<std::string_view> words = {
      "--bell",          "--simulate", "devices=3,2:fail-at=4",
      "--simulate-dump", "out.bin",    "--wait-scale",
      "0.0000001",       "--json",     "--all",
      "--wait=3",        "--record",   "rec.jsonl",
      "upgrade",         "--",         "-image with blanks.bin"};
  const ParsedFlashArguments parent = ParseFlashArguments(words);
  ASSERT_TRUE(parent.ok()) << parent.error;
  const std::vector<std::string> runWords =
      RunArgumentsFor(parent.arguments, "/dev/hidraw1#vid_0483&pid_5750", "KR55LE0002");
  const std::vector<std::string_view> views(runWords.begin(), runWords.end());
  const ParsedFlashArguments run = ParseFlashArguments(views);
  ASSERT_TRUE(run.ok()) << run.error;
  const FlashArguments& a = run.arguments;
  EXPECT_EQ(a.command, FlashCommand::Upgrade);
  EXPECT_EQ(a.image, "-image with blanks.bin");
  EXPECT_EQ(a.device, "/dev/hidraw1#vid_0483&pid_5750");
  EXPECT_EQ(a.simulateText, "devices=3,2:fail-at=4");
  EXPECT_EQ(a.simulateDump, "out.bin");
  EXPECT_EQ(a.record, "rec-KR55LE0002.jsonl");  // one recording a device
  EXPECT_DOUBLE_EQ(a.waitScale, 1e-7);
  EXPECT_TRUE(a.bell);
  EXPECT_TRUE(a.progressLines);
  // The whole command waits, lists and prints JSON; a run does none of that.
  EXPECT_FALSE(a.all);
  EXPECT_FALSE(a.waitForDevice);
  EXPECT_FALSE(a.json);
}

TEST(AllDevices, SummaryAlignsItsColumnsOrIsOneJsonArray) {
  const std::vector<DeviceRunResult> results = {{.serial = "KR55LE0001",
                                                 .path = "/dev/hidraw0",
                                                 .result = "done",
                                                 .lastMessage = "Firmware upgrade completed",
                                                 .seconds = 12.34},
                                                {.serial = "SN2",
                                                 .path = "/dev/hidraw10",
                                                 .result = "not started",
                                                 .lastMessage = "",
                                                 .seconds = 0}};
  testing::MemoryStream lines;
  PrintSummary(results, lines.file(), false);
  EXPECT_EQ(lines.Text(),
            "serial      path           result       seconds  last message\n"
            "KR55LE0001  /dev/hidraw0   done         12.3     Firmware upgrade completed\n"
            "SN2         /dev/hidraw10  not started  0.0      \n");
  testing::MemoryStream json;
  PrintSummary(results, json.file(), true);
  EXPECT_EQ(json.Text(),
            R"([{"serial":"KR55LE0001","path":"/dev/hidraw0","result":"done",)"
            R"("message":"Firmware upgrade completed","seconds":12.3},)"
            R"({"serial":"SN2","path":"/dev/hidraw10","result":"not started","message":"",)"
            R"("seconds":0.0}])"
            "\n");
}

}  // namespace
}  // namespace kr55le
