#include "cli/all_devices.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "cli/exit_status.h"
#include "cli/station.h"
#include "platform/sim/sim_hid_services.h"
#include "tests/support/eventually.h"
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
  // A device's serial number reaches the terminal with its control characters shown.
  testing::MemoryStream hostile;
  PrintSummary({{.serial = "\x1b[2J", .path = "/dev/hidraw0", .result = "done", .lastMessage = {}}},
               hostile.file(), false);
  EXPECT_EQ(hostile.Text(),
            "serial   path          result  seconds  last message\n"
            "\\x1b[2J  /dev/hidraw0  done    0.0      \n");
}

#ifndef _WIN32
// upgrade --each: the device attached at the start, then one plugged in later, each get a run of
// their own; the first one plugged in again is left alone, known by its serial number; after
// --each=2 runs the station ends. /bin/echo stands for this program: a run's line is its
// arguments.
TEST(Station, UpgradesEachDeviceOnceBySerialNumber) {
  sim::SimHidServices bus;
  const std::size_t first = bus.Plug();
  const std::vector<std::string_view> words{"--each=2", "upgrade", "x.bin"};
  const ParsedFlashArguments parsed = ParseFlashArguments(words);
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  testing::MemoryStream out;
  testing::MemoryStream errors;
  std::atomic<int> presses{0};
  std::size_t again = 0;
  std::size_t second = 0;
  // Each step once the station has shown what the one before brought about.
  std::thread bench([&] {
    const auto shows = [](const testing::MemoryStream& stream, const std::string& text) {
      return testing::Eventually([&] {
        std::ifstream in(stream.path());
        const std::string flushed((std::istreambuf_iterator<char>(in)), {});
        return flushed.find(text) != std::string::npos;
      });
    };
    // A station that missed a step is stopped, so that the test fails rather than hangs.
    if (!shows(out, "KR55LE0001: --device")) {
      ++presses;
      return;
    }
    bus.Unplug(first);
    again = bus.Plug();
    if (!shows(errors, "left alone")) {
      ++presses;
      return;
    }
    sim::SimDeviceConfig other;
    other.serialNumber = "KR55LE0002";
    second = bus.Plug(other);
  });
  const int status =
      RunStation(parsed.arguments, bus, {.interrupts = &presses, .errors = errors.file()},
                 "/bin/echo", out.file());
  bench.join();
  EXPECT_EQ(status, kExitDone);
  const std::string text = out.Text();
  EXPECT_THAT(text,
              ::testing::StartsWith(
                  "KR55LE0001: --device /dev/hidraw0#vid_0483&pid_5750 --progress-lines -- "
                  "upgrade x.bin\n"
                  "KR55LE0002: --device /dev/hidraw1#vid_0483&pid_5750 --progress-lines -- "
                  "upgrade x.bin\n"
                  "serial      path                            result  seconds  last message\n"));
  for (const char* row : {"\nKR55LE0001  /dev/hidraw0#", "\nKR55LE0002  /dev/hidraw1#"}) {
    EXPECT_THAT(text, ::testing::HasSubstr(std::string(row) + "vid_0483&pid_5750  done  "));
  }
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
  EXPECT_THAT(errors.Text(), ::testing::HasSubstr("left alone /dev/hidraw0#vid_0483&pid_5750: "
                                                  "KR55LE0001 is upgraded only once in a run"));
  // Each identified once: on the notice that brought it.
  for (const std::size_t device : {first, again, second}) {
    EXPECT_EQ(bus.Counters(device).reportsReceived, 1U) << device;
  }
}
#endif

}  // namespace
}  // namespace kr55le
