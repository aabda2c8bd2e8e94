#include "cli/device_command.h"

#include <gmock/gmock.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/all_devices.h"
#include "cli/device_wait.h"
#include "cli/exit_status.h"
#include "cli/serial_words.h"
#include "cli/station.h"
#include "dialog/flashwell_dlg.h"
#include "res/strings.h"
#include "sim/sim_hid_services.h"
#include "tests/support/eventually.h"
#include "tests/support/image_bytes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_file.h"
#include "tests/support/test_host.h"

namespace kr55le {
namespace {

using std::chrono::milliseconds;
using ::testing::HasSubstr;

FlashArguments Command(FlashCommand command, std::string image = {}) {
  FlashArguments arguments;
  arguments.command = command;
  arguments.image = std::move(image);
  return arguments;
}

// A device identified, then the window closed (Ctrl+C with no transfer to cancel): the command
// did not end on its own goal.
TEST(DeviceCommand, AClosedWindowIsNoSuccessWhateverItShowed) {
  sim::SimHidServices hid;
  hid.Plug();
  testing::MemoryStream out;
  testing::MemoryStream errors;
  FlashOutput output(out.file(), OutputFormat::Lines, MessageList::Included);
  const std::atomic<int> pressed{1};
  EXPECT_EQ(RunDeviceCommand(Command(FlashCommand::Info), hid, output,
                             {.interrupts = &pressed, .errors = errors.file()}),
            kExitNotDone);
  EXPECT_THAT(out.Text(), HasSubstr("serial: KR55LE0001"));
}

// A device that goes away as soon as its upgrade has completed (re-enumerating, as one that
// restarts): the completion stays the run's result and last text; no scan that finds no device
// follows it.
TEST(DeviceCommand, ACompletedUpgradeKeepsItsCompletionWhenTheDeviceGoes) {
  sim::SimHidServices hid;
  const std::size_t device = hid.Plug();
  const testing::TempFile image(
      testing::MakeImage("Pardo", "02.00.01", testing::Payload(2 * testing::kBlock)));
  testing::MemoryStream errors;
  std::vector<std::string> texts;
  const DialogRun run = RunDialog(Command(FlashCommand::Upgrade, image.path()), hid,
                                  {.errors = errors.file()}, [&](std::string_view shown) {
                                    texts.emplace_back(shown);
                                    if (shown == text::kFirmwareCompleted) hid.Unplug(device);
                                  });
  EXPECT_EQ(run.status, kExitDone);
  EXPECT_EQ(run.lastMessage, text::kFirmwareCompleted);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), text::kFirmwareCompleted);
}

// A listed device that may not be opened: the hint that names the node and the fix, and the
// command's exit status 3.
constexpr char kHint[] =
    "/dev/hidraw0 cannot be opened: permission denied. Install the udev rule "
    "70-kr55le-upgrade.rules in /etc/udev/rules.d (or the package that ships it), then re-plug "
    "the device.";

// The simulated bus, with every open refused as a node without access rights is, until the
// rights are granted.
class DenyingServices : public sim::SimHidServices {
 public:
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override {
    if (granted) return SimHidServices::Open(path, result);
    result = {hid::HidError::PermissionDenied, EACCES, "open(/dev/hidraw0): Permission denied"};
    return nullptr;
  }
  bool granted = false;
};

// The hint names the node only while it may not be opened: a later scan that opens the device,
// or finds none, takes it back.
TEST(PermissionHint, IsShownOnlyWhileTheNodeMayNotBeOpened) {
  enum class Then { Nothing, Grant, Unplug };
  const struct {
    bool denied;
    Then then;
    std::vector<std::string> hints;
  } cases[] = {
      {false, Then::Nothing, {}},
      {true, Then::Nothing, {kHint, kHint}},
      {true, Then::Grant, {kHint, ""}},
      {true, Then::Unplug, {kHint, ""}},
  };
  for (const auto& c : cases) {
    DenyingServices hid;
    hid.granted = !c.denied;
    const std::size_t device = hid.Plug();
    ControlModel controls;
    TestHost host(controls);
    ReportLink link;
    CFlashwellDlg dialog(host, controls, hid, link);
    host.Attach(dialog);
    ::testing::internal::CaptureStderr();
    dialog.OnInitDialog();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.denied ? std::string(kHint) + "\n" : "");
    if (c.then == Then::Grant) {
      hid.granted = true;
      hid.PlugUnrelated();  // any arrival rescans
    } else if (c.then == Then::Unplug) {
      hid.Unplug(device);
    }
    for (int pump = 0; pump < 3; ++pump) host.PumpMessages();
    hid.PlugUnrelated();  // one more rescan: a hint taken back stays away
    for (int pump = 0; pump < 3; ++pump) host.PumpMessages();
    hid.RegisterNotices(nullptr);
    EXPECT_EQ(host.Hints(), c.hints) << static_cast<int>(c.then);
  }
}

TEST(PermissionHint, EveryDeviceCommandExitsThreeWhenTheDeviceMayNotBeOpened) {
  for (const FlashCommand command :
       {FlashCommand::Info, FlashCommand::Check, FlashCommand::Upgrade}) {
    DenyingServices hid;
    hid.Plug();
    testing::MemoryStream out;
    testing::MemoryStream errors;
    FlashOutput output(out.file(), OutputFormat::Lines, MessageList::Included);
    ::testing::internal::CaptureStderr();
    const int status = RunDeviceCommand(Command(command, "/nonexistent.bin"), hid, output,
                                        {.errors = errors.file()});
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr(kHint));
    EXPECT_EQ(status, kExitNoPermission);
    EXPECT_THAT(out.Text(), HasSubstr("message: Device is not connected in upgrade mode"));
  }
}

// --wait: what is on the bus first, and what happens while the wait runs, from another thread as a
// real plug would. With --device, the device already attached is identified once, at the start, and
// not again on notices that bring no new device of ours.
TEST(DeviceWait, EndsOnTheDeviceItIsForAtTheLimitOrOnCtrlC) {
  using Bus = sim::SimHidServices;
  std::atomic<int> presses{0};
  const auto nothing = [](Bus&) {};
  const auto plug = [](const char* serial) {
    return [serial](Bus& bus) { bus.Plug({.serialNumber = serial}); };
  };
  const auto unrelated = [](Bus& bus) { bus.PlugUnrelated(); };
  const char* const selected = "KR55LE0001";
  const char* const other = "KR55LE0099";
  const struct {
    const char* name;
    std::function<void(Bus&)> first;
    std::optional<std::string> device;
    std::function<void(Bus&)> meanwhile;
    std::optional<milliseconds> limit;
    bool attached;
    std::optional<std::size_t> firstDeviceReports = std::nullopt;
  } cases[] = {
      {"already attached", plug(selected), std::nullopt, nothing, std::nullopt, true},
      {"arrives", nothing, std::nullopt, plug(selected), std::nullopt, true},
      {"only another device arrives", nothing, std::nullopt, unrelated, milliseconds{300}, false},
      {"Ctrl+C", nothing, std::nullopt, [&presses](Bus&) { ++presses; }, std::nullopt, false},
      {"--device SERIAL: another is attached, the selected one arrives", plug(other), selected,
       plug(selected), std::nullopt, true, 1},
      {"--device SERIAL: another is attached, only other devices arrive", plug(other), selected,
       [&](Bus& bus) {
         unrelated(bus);
         unrelated(bus);
       },
       milliseconds{300}, false, 1},
      {"--device PATH: another is attached, the selected one arrives", plug(other),
       "/dev/hidraw1#vid_0483&pid_5750", plug(other), std::nullopt, true, 0},
  };
  for (const auto& c : cases) {
    Bus bus;
    presses = 0;
    c.first(bus);
    testing::MemoryStream errors;
    std::thread meanwhile([&] {
      std::this_thread::sleep_for(milliseconds{50});
      c.meanwhile(bus);
    });
    FlashArguments arguments;
    arguments.waitForDevice = true;
    arguments.waitLimit = c.limit;
    arguments.device = c.device;
    EXPECT_EQ(WaitForDevice(bus, arguments, {.interrupts = &presses, .errors = errors.file()}),
              c.attached)
        << c.name;
    meanwhile.join();
    if (c.firstDeviceReports) {
      EXPECT_EQ(bus.Counters(0).reportsReceived, *c.firstDeviceReports) << c.name;
    }
  }
}

// --all and --each: a run of this program for each device.
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
  const std::vector<std::string> runWords = RunArgumentsFor(
      parent.arguments, "/dev/hidraw1#vid_0483&pid_5750", "KR55LE000\xe9", "rec-own.jsonl");
  const std::vector<std::string_view> views(runWords.begin(), runWords.end());
  const ParsedFlashArguments run = ParseFlashArguments(views);
  ASSERT_TRUE(run.ok()) << run.error;
  const FlashArguments& a = run.arguments;
  EXPECT_EQ(a.command, FlashCommand::Upgrade);
  EXPECT_EQ(a.image, "-image with blanks.bin");
  EXPECT_EQ(a.device, "/dev/hidraw1#vid_0483&pid_5750");
  EXPECT_EQ(a.simulateText, "devices=3,2:fail-at=4");
  EXPECT_EQ(a.simulateDump, "out.bin");
  EXPECT_EQ(a.serial, "KR55LE000\xc3\xa9");  // as Latin-1 in UTF-8, for Windows to pass on
  EXPECT_EQ(a.record, "rec-own.jsonl");
  EXPECT_DOUBLE_EQ(a.waitScale, 1e-7);
  EXPECT_TRUE(a.bell);
  EXPECT_TRUE(a.progressLines);
  // The whole command waits, lists and prints JSON; a run does none of that.
  EXPECT_FALSE(a.all);
  EXPECT_FALSE(a.waitForDevice);
  EXPECT_FALSE(a.json);
}

// A device's run, started with the station's words for it, while another device takes its path
// after the image check (before the run: Station.LeavesAlone...): the upgrade does not start,
// and the newcomer hears nothing but the scans' identifications.
TEST(AllDevices, ARunLeavesAloneTheDeviceThatTookItsPathDuringTheCheck) {
  const testing::TempFile image(
      testing::MakeImage("Pardo", "02.00.01", testing::Payload(2 * testing::kBlock)));
  const std::string path = image.path();
  const std::vector<std::string_view> words{"upgrade", "--all", path};
  const std::vector<std::string> runWords =
      RunArgumentsFor(ParseFlashArguments(words).arguments, "/dev/hidraw0#vid_0483&pid_5750",
                      "KR55LE0001", std::nullopt);
  const std::vector<std::string_view> views(runWords.begin(), runWords.end());
  sim::SimHidServices bus;
  std::size_t device = bus.Plug();
  testing::MemoryStream errors;
  const DialogRun ran = RunDialog(ParseFlashArguments(views).arguments, bus,
                                  {.errors = errors.file()}, [&](std::string_view shown) {
                                    if (shown != text::kOtherVersion) return;
                                    bus.Unplug(device);
                                    device = bus.Plug({.serialNumber = "KR55LE0002"});
                                  });
  EXPECT_EQ(ran.status, kExitOtherDevice);
  const sim::DeviceCounters heard = bus.Counters(device);
  EXPECT_EQ(heard.reportsReceived, heard.infoRequests);
}

// Each device's recording is named after its serial number, no two alike (letter case aside), none
// outside the folder given, none with a control character.
TEST(AllDevices, EachDeviceFileIsNamedAfterItsSerialNumberNoTwoAlike) {
  DeviceFileNames names("out/rec.jsonl");
  EXPECT_EQ(names.For("KR55LE0002"), "out/rec-KR55LE0002.jsonl");
  EXPECT_EQ(names.For("kr55le0002"), "out/rec-kr55le0002~1.jsonl");
  EXPECT_EQ(names.For(""), "out/rec-~1.jsonl");
  EXPECT_EQ(names.For(""), "out/rec-~2.jsonl");
  EXPECT_EQ(names.For("../\x1b[2J\\C:\xe9"), "out/rec-_____2J_C__.jsonl");
}

TEST(AllDevices, SummaryAlignsItsColumnsOrIsOneJsonArray) {
  // serial, path, result, last message, seconds
  const std::vector<DeviceRunResult> results = {
      {"KR55LE0001", "/dev/hidraw0", "done", "Firmware upgrade completed", 12.34},
      {"SN2", "/dev/hidraw10", "not started", "", 0}};
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
  PrintSummary({{"\x1b[2J", "/dev/hidraw0", "done", "", 0}}, hostile.file(), false);
  EXPECT_EQ(hostile.Text(),
            "serial   path          result  seconds  last message\n"
            "\\x1b[2J  /dev/hidraw0  done    0.0      \n");
}

#ifndef _WIN32
// What has been flushed to `stream` so far, read as another thread would.
std::string Flushed(const testing::MemoryStream& stream) {
  std::ifstream in(stream.path());
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

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
      return testing::Eventually([&] { return Flushed(stream).find(text) != std::string::npos; });
    };
    if (shows(out, "KR55LE0001: --device")) {
      bus.Unplug(first);
      again = bus.Plug();
      if (shows(errors, "left alone")) {
        second = bus.Plug({.serialNumber = "KR55LE0002"});
        return;
      }
    }
    ++presses;  // a station that missed a step is stopped, so that the test fails, not hangs
  });
  const int status =
      RunStation(parsed.arguments, bus, {.interrupts = &presses, .errors = errors.file()},
                 "/bin/echo", out.file());
  bench.join();
  EXPECT_EQ(status, kExitDone);
  EXPECT_THAT(out.Text(),
              ::testing::MatchesRegex(
                  "KR55LE0001: --device /dev/hidraw0#vid_0483&pid_5750 --serial KR55LE0001 "
                  "--progress-lines -- upgrade x.bin\n"
                  "KR55LE0002: --device /dev/hidraw1#vid_0483&pid_5750 --serial KR55LE0002 "
                  "--progress-lines -- upgrade x.bin\n"
                  "serial      path                            result  seconds  last message\n"
                  "KR55LE0001  /dev/hidraw0#vid_0483&pid_5750  done  [^\n]*\n"
                  "KR55LE0002  /dev/hidraw1#vid_0483&pid_5750  done  [^\n]*\n"));
  EXPECT_THAT(errors.Text(), ::testing::HasSubstr("left alone /dev/hidraw0#vid_0483&pid_5750: "
                                                  "KR55LE0001 is upgraded only once in a run"));
  // Each identified once: on the notice that brought it.
  for (const std::size_t device : {first, again, second}) {
    EXPECT_EQ(bus.Counters(device).reportsReceived, 1U) << device;
  }
}

// Devices that a serial number cannot tell apart are left alone, each with a line that says why,
// and the station is not done. A run that finds another device at its path (this program, on a
// bus of its own) sends it nothing; its own device, plugged in again, gets a run again.
TEST(Station, LeavesAloneDevicesItCannotTellApart) {
  const struct {
    std::vector<std::string> serials;
    const char* simulate;  // the runs' bus, for this program to run them; none: /bin/echo does
    const char* line;
  } cases[] = {
      {{"", ""}, nullptr, "hidraw1#vid_0483&pid_5750: its serial number is empty: it cannot be"},
      {{"SN7", "SN7"},
       nullptr,
       "hidraw1#vid_0483&pid_5750: another device attached has its "
       "serial number SN7"},
      {{"KR55LE0001"},
       "serial=KR55LE0002",
       "answers with serial number KR55LE0002, not KR55LE0001"},
  };
  for (const auto& c : cases) {
    sim::SimHidServices bus;
    for (const std::string& serial : c.serials) bus.Plug({.serialNumber = serial});
    std::vector<std::string_view> words{"--each", "upgrade", "x.bin"};
    if (c.simulate) words.insert(words.end(), {"--simulate", c.simulate});
    const std::size_t times = c.simulate ? 2 : 1;
    testing::MemoryStream out;
    testing::MemoryStream errors;
    std::atomic<int> presses{0};
    std::thread bench([&] {
      for (std::size_t seen = 1; seen <= times; ++seen) {
        if (seen > 1 && bus.Unplug(0)) bus.Plug({.serialNumber = c.serials[0]});
        testing::Eventually([&] { return Occurrences(Flushed(errors), c.line) >= seen; });
      }
      ++presses;
    });
    EXPECT_EQ(RunStation(ParseFlashArguments(words).arguments, bus,
                         {.interrupts = &presses, .errors = errors.file()},
                         c.simulate ? KR55LE_FLASH : "/bin/echo", out.file()),
              kExitNotDone)
        << c.line;
    bench.join();
    EXPECT_EQ(Occurrences(errors.Text(), c.line), times) << c.line;
  }
}
#endif

}  // namespace
}  // namespace kr55le
