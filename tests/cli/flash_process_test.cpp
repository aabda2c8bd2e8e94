// kr55le-flash as a script runs it: the built executable over the simulated device.
#include <gmock/gmock.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/bus_configs.h"
#include "sim/payload_dump.h"
#include "tests/support/image_bytes.h"
#include "tests/support/temp_file.h"

namespace kr55le::testing {
namespace {

using ::testing::_;
using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

std::string LastMessage(const std::string& out) {  // the text of the last "message: " line
  std::string last;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);) {
    if (line.starts_with("message: ")) last = line.substr(9);
  }
  return last;
}

MATCHER_P(LastMessageIs, text, "whose last message is \"" + std::string(text) + "\"") {
  return LastMessage(arg) == text;
}

// The output's end: the summary's head, then each row, given as a regular expression that
// matches the row up to where its line ends.
std::string SummaryRows(const std::vector<std::string>& rows) {
  std::string pattern = ".*\nserial  [^\n]*\n";
  for (const std::string& row : rows) pattern += row + "[^\n]*\n";
  return pattern;
}

struct FlashRun {
  int status = -1;  // the exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// The executable as a child process. Its standard error is read once its output has ended:
// what it writes there is short enough for the pipe to hold meanwhile.
class FlashProcess {
 public:
  // `words` are split at spaces into the arguments.
  explicit FlashProcess(const std::string& words) {
    std::vector<std::string> arguments;
    std::istringstream split(words);
    for (std::string word; split >> word;) arguments.push_back(word);
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(err[1], STDERR_FILENO);
      for (const int descriptor : {out[0], out[1], err[0], err[1]}) ::close(descriptor);
      std::vector<char*> argv{const_cast<char*>(KR55LE_FLASH)};
      for (const std::string& word : arguments) argv.push_back(const_cast<char*>(word.c_str()));
      argv.push_back(nullptr);
      ::execv(KR55LE_FLASH, argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~FlashProcess() { Finish(); }

  // Reads standard output until `text` has appeared; false when the output ended first.
  bool ReadUntil(std::string_view text) {
    while (run_.out.find(text) == std::string::npos) {
      if (!ReadSome(out_, run_.out)) return false;
    }
    return true;
  }
  // As a station that has died: its end of the standard error's pipe closes.
  void CloseErrors() { ::close(std::exchange(err_, -1)); }
  void Signal(int signal) {  // SIGINT is Ctrl+C
    if (pid_ > 0) ::kill(pid_, signal);
  }
  FlashRun Finish() {
    while (ReadSome(out_, run_.out)) {
    }
    while (ReadSome(err_, run_.err)) {
    }
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
      run_.status = WEXITSTATUS(status);
    }
    pid_ = -1;
    return run_;
  }

 private:
  static bool ReadSome(int& descriptor, std::string& into) {
    char chunk[4096];
    const ssize_t got = descriptor < 0 ? 0 : ::read(descriptor, chunk, sizeof chunk);
    if (got > 0) into.append(chunk, static_cast<std::size_t>(got));
    if (got <= 0 && descriptor >= 0) ::close(std::exchange(descriptor, -1));
    return got > 0;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  FlashRun run_;
};

FlashRun RunFlash(const std::string& words) {
  return FlashProcess(words).Finish();
}

struct Image {
  Image(const std::string& kind, const std::string& version, std::size_t payloadSize)
      : payload(Payload(payloadSize)), file(MakeImage(kind, version, payload)) {}
  std::string path() const { return file.path(); }
  std::vector<std::uint8_t> payload;
  TempFile file;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Each row: the words, the exit status, and what the two streams hold.
TEST(FlashProcess, EachCommandEndsWithItsStatusAndOutput) {
  const Image firmware("Pardo", "02.00.01", 8 * kBlock);
  const Image audio("AUDIO", "01.02.00", kBlock);
  const Image tiny("Pardo", "01.02.03", 1);
  const std::filesystem::path fifo = UniqueTempPath("session.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Larger than any session could write, without taking the space: a sparse file.
  const TempFile huge({}, "huge.jsonl");
  std::filesystem::resize_file(huge.path(), sim::kMaxReplayBytes + 1);
  const TempFile largest({}, "largest.jsonl");  // at the bound: read, and found no recording
  std::filesystem::resize_file(largest.path(), sim::kMaxReplayBytes);
  const std::string replay = "kr55le-flash: cannot replay ";
  const std::string sample = KR55LE_SAMPLES "/firmware-01.02.00.bin";
  const std::string dump = UniqueTempPath("dump.bin").string();
  const char* const notInUpgradeMode =
      "Device is not connected in upgrade mode, read user manual for device upgrade.";
  const struct {
    std::string words;
    int status;
    ::testing::Matcher<const std::string&> out;
    ::testing::Matcher<const std::string&> err = _;
  } cases[] = {
      {"--simulate serial=SN00000042,software-version=02.01.07 info", 0,
       Eq("message: Device is connected in firmware upgrade mode.Browse a file for upgrade.\n"
          "serial: SN00000042\nsoftware-version: 02.01.07\nbootloader-version: 01.00.00\n"
          "upgrade-mode: Firmware upgrade\nfile-version:\n")},
      // Two devices: the window's box, its text printed once with its own line end kept; each
      // device's dump named by its serial (checked below).
      {"--simulate devices=2,2:serial=OWN --simulate-dump " + dump + " info", 0, _,
       Eq("Multiple devices are attached. Remove any one device for contiued operation. \n")},
      // Each way a device command ends: exit 1 where the window would not go on.
      {"--simulate devices=0 info", 1, LastMessageIs("No device is attached")},
      // Scaled so that the silent device's wait ends at once.
      {"--wait-scale 0.001 --simulate silent=info upgrade " + firmware.path(), 1,
       LastMessageIs(notInUpgradeMode)},
      {"--simulate devices=3 --device KR55LE0009 info", 1, LastMessageIs("No device is attached"),
       HasSubstr("no device matches --device 'KR55LE0009'")},
      // list: each device identified, or why it cannot be used.
      {"--simulate devices=2,2:software-version=02.00.00 list", 0,
       Eq("path: /dev/hidraw0#vid_0483&pid_5750\tserial: KR55LE0001\tsoftware-version: "
          "01.00.00\tbootloader-version: 01.00.00\tupgrade-mode: Firmware upgrade\n"
          "path: /dev/hidraw1#vid_0483&pid_5750\tserial: KR55LE0002\tsoftware-version: "
          "02.00.00\tbootloader-version: 01.00.00\tupgrade-mode: Firmware upgrade\n")},
      // One that does not answer and one whose reports do not fit: exit 1, none answered.
      {"--wait-scale 0.001 --simulate devices=2,1:silent=info,2:input-length=2048 list", 1,
       Eq("path: /dev/hidraw0#vid_0483&pid_5750\tproblem: " + std::string(notInUpgradeMode) +
          "\npath: /dev/hidraw1#vid_0483&pid_5750\tproblem: report lengths do not fit 1024 "
          "bytes\n")},
      // Scaled only so far that the answering device's reply still lands on a busy machine.
      {"--json --simulate devices=2,2:mode=audio,2:silent=info --wait-scale 0.02 list", 0,
       Eq(R"([{"path":"/dev/hidraw0#vid_0483&pid_5750","serial":"KR55LE0001",)"
          R"("software-version":"01.00.00","bootloader-version":"01.00.00",)"
          R"("upgrade-mode":"Firmware upgrade"},{"path":"/dev/hidraw1#vid_0483&pid_5750",)"
          R"("problem":")" +
          std::string(notInUpgradeMode) + "\"}]\n")},
      // A bounded wait for a device that never comes ends, as a scan that finds none.
      {"--simulate devices=0 --wait=0.2 list", 1, IsEmpty()},
      // The second device's reports do not fit: it is left out at once, without a wait.
      {"--json --simulate devices=2,2:input-length=2048 check --all " + firmware.path(), 0,
       ::testing::MatchesRegex(
           R"(\[\{"serial":"KR55LE0001","path":"/dev/hidraw0#vid_0483&pid_5750",)"
           R"("result":"done","message":"Do you want to upgrade the device\?",)"
           R"("seconds":[0-9.]+\}\][[:space:]])"),
       HasSubstr("left out /dev/hidraw1#vid_0483&pid_5750: report lengths do not fit 1024 bytes")},
      {"--simulate devices=0 check --all " + firmware.path(), 1, _,
       HasSubstr("no device answered")},
      // upgrade --each: each serial number upgraded once, one that two devices have left alone
      // (so exit 1), until --each=N devices were upgraded.
      {"--simulate devices=3,2:serial=KR55LE0001 upgrade --each=2 " + firmware.path(), 1,
       ::testing::MatchesRegex(SummaryRows({"KR55LE0001  /dev/hidraw0#vid_0483&pid_5750  done  ",
                                            "KR55LE0003  /dev/hidraw2#vid_0483&pid_5750  done  "})),
       HasSubstr("left alone /dev/hidraw1#vid_0483&pid_5750: another device attached has its "
                 "serial number KR55LE0001")},
      {"--simulate devices=2,2:fail-at=1 upgrade --each=2 " + firmware.path(), 1,
       ::testing::MatchesRegex(
           SummaryRows({"KR55LE0001  /dev/hidraw0#vid_0483&pid_5750  done  ",
                        "KR55LE0002  /dev/hidraw1#vid_0483&pid_5750  failed  "}))},
      // A recording that cannot be written or read.
      {"--simulate replay=/dev/zero info", 1, IsEmpty(),
       StartsWith(replay + "/dev/zero: not a regular file\n")},
      {"--simulate replay=" + fifo.string() + " info", 1, IsEmpty(),
       StartsWith(replay + fifo.string() + ": not a regular file\n")},
      {"--simulate replay=" + huge.path() + " info", 1, IsEmpty(),
       StartsWith(replay + huge.path() + ": larger than any recorded session (at most " +
                  std::to_string(sim::kMaxReplayBytes) + " bytes)\n")},
      {"--simulate replay=" + largest.path() + " info", 1, IsEmpty(),
       StartsWith(replay + largest.path() + ": line 1: ")},
      {"--record /nonexistent/session.jsonl --simulate mode=firmware info", 1, IsEmpty(),
       StartsWith("kr55le-flash: cannot write the recording to /nonexistent/session.jsonl\n")},
      {"--simulate replay=/nonexistent/session.jsonl info", 1, IsEmpty(),
       StartsWith(replay + "/nonexistent/session.jsonl: cannot be opened\n")},
      {"--simulate replay=" + sample + " info", 1, IsEmpty(),
       StartsWith(replay + sample + ": line 1: ")},
      {"--version info", 0, Eq("kr55le-flash " KR55LE_VERSION "\n"), IsEmpty()},
      // Which faults are named is proved with the parser; this is the exit status and the usage.
      {"--frob info", 2, IsEmpty(), AllOf(HasSubstr("'--frob'"), HasSubstr("usage: kr55le-flash"))},
      {"check " + audio.path() + " --json --simulate mode=audio", 0,
       Eq("{\"messages\":[\"Device is connected in audio upgrade mode.Browse a file for "
          "upgrade.\",\"Do you want to upgrade the device?\"],\"serial\":\"KR55LE0001\","
          "\"software-version\":\"01.00.00\",\"bootloader-version\":\"01.00.00\","
          "\"upgrade-mode\":\"Audio upgrade\",\"file-version\":\"01.02.00\"}\n")},
      // Inspect's verdicts are proved in process; this is its own way in, without a device.
      {"inspect " + tiny.path(), 0, EndsWith("\nverdict: ok\n")},
      {"inspect /nonexistent/image.bin", 1, Eq("verdict: Please select the valid file\n")},
  };
  for (const auto& c : cases) {
    const FlashRun run = RunFlash(c.words);
    EXPECT_EQ(run.status, c.status) << c.words;
    EXPECT_THAT(run.out, c.out) << c.words;
    EXPECT_THAT(run.err, c.err) << c.words;
  }
  std::filesystem::remove(fifo);
  for (const char* serial : {"KR55LE0001", "OWN"}) {
    const std::string each = sim::DumpPathOf(dump, serial);
    EXPECT_TRUE(std::filesystem::exists(each)) << each;
    EXPECT_TRUE(ReadBytes(each).empty()) << each;
    std::filesystem::remove(each);
  }
  EXPECT_FALSE(std::filesystem::exists(dump));
}

// --device by path (in any case) or by serial: that device alone is reached, as if no other
// were attached; the others get no dump, as they were left out.
TEST(FlashProcess, DeviceSelectsOneOfSeveralByPathOrSerial) {
  const Image image("Pardo", "02.00.01", 3 * kBlock + 5);
  for (const char* selector : {"/DEV/HIDRAW1#VID_0483&PID_5750", "KR55LE0002"}) {
    const std::string dump = UniqueTempPath("dump.bin").string();
    const FlashRun run = RunFlash(std::string("--simulate devices=3 --simulate-dump ") + dump +
                                  " --device " + selector + " upgrade " + image.path());
    EXPECT_EQ(run.status, 0) << selector;
    EXPECT_EQ(LastMessage(run.out), "Firmware upgrade completed") << selector;
    EXPECT_EQ(ReadBytes(sim::DumpPathOf(dump, "KR55LE0002")), WithFiller(image.payload));
    EXPECT_FALSE(std::filesystem::exists(sim::DumpPathOf(dump, "KR55LE0001"))) << selector;
    EXPECT_FALSE(std::filesystem::exists(sim::DumpPathOf(dump, "KR55LE0003"))) << selector;
    std::filesystem::remove(sim::DumpPathOf(dump, "KR55LE0002"));
  }
}

// --all: each device upgraded by a run of its own, its lines marked with its serial, then a
// summary; exit 0 only when every run was done.
TEST(FlashProcess, UpgradeAllRunsEveryDeviceAndSumsUp) {
  const Image image("Pardo", "02.00.01", 4 * kBlock + 9);
  const char* const completed = "Firmware upgrade completed";
  const char* const failed = "Communication error: Uploading is failed, please try again";
  const struct {
    const char* faults;
    int status;
    std::vector<const char*> lastMessages;
  } cases[] = {
      {"", 0, {completed, completed, completed}},
      {",2:fail-at=2", 1, {completed, failed, completed}},
  };
  for (const auto& c : cases) {
    const std::string dump = UniqueTempPath("dump.bin").string();
    const FlashRun run = RunFlash(std::string("--simulate devices=3") + c.faults +
                                  " --simulate-dump " + dump + " upgrade --all " + image.path());
    EXPECT_EQ(run.status, c.status) << c.faults;
    std::vector<std::string> rows;
    for (std::size_t index = 0; index < c.lastMessages.size(); ++index) {
      const std::string serial = "KR55LE000" + std::to_string(index + 1);
      const bool done = c.lastMessages[index] == completed;
      rows.push_back(serial + "  [^\n]*  " + (done ? "done" : "failed") + "  [^\n]*" +
                     c.lastMessages[index]);
      EXPECT_THAT(run.out, HasSubstr(serial + ": message: " + c.lastMessages[index]));
      const std::vector<std::uint8_t> assembled = ReadBytes(sim::DumpPathOf(dump, serial));
      if (done) {
        EXPECT_EQ(assembled, WithFiller(image.payload)) << serial;
      } else {
        EXPECT_LT(assembled.size(), image.payload.size()) << serial;
      }
      std::filesystem::remove(sim::DumpPathOf(dump, serial));
    }
    EXPECT_THAT(run.out, ::testing::MatchesRegex(SummaryRows(rows))) << c.faults;
  }
}

// Ctrl+C on --all, SIGTERM on a station: each press goes to every run, as to one; the transfers
// stop, no run is done, and the summary follows.
TEST(FlashProcess, CtrlCOrSigtermReachesEveryRun) {
  const Image image("Pardo", "02.00.01", 2097152);  // the largest: still under way at the signal
  const struct {
    const char* words;
    int signal;
    ::testing::Matcher<const std::string&> summary;
  } cases[] = {
      {"--simulate devices=2,reply-ms=5 upgrade --all ", SIGINT,
       ::testing::Not(HasSubstr("  done  "))},
      {"--simulate reply-ms=5 upgrade --each ", SIGTERM,
       ::testing::ContainsRegex("\nKR55LE0001  [^ ]+  failed  ")},
  };
  for (const auto& c : cases) {
    FlashProcess process(c.words + image.path());
    ASSERT_TRUE(process.ReadUntil("KR55LE0001: message: Firmware is Upgrading")) << c.words;
    process.Signal(c.signal);
    const FlashRun run = process.Finish();
    EXPECT_EQ(run.status, 1) << c.words;
    EXPECT_THAT(run.out, AllOf(HasSubstr("KR55LE0001: message: Upgrade discontinued."), c.summary))
        << c.words;
  }
}

// A run whose station has gone (killed, its terminal closed): its standard error has no reader
// any more, and the transfer stops as Cancel stops it, not by SIGPIPE at the next progress line.
TEST(FlashProcess, ARunWhoseReaderHasGoneStopsAsCancelDoes) {
  const Image image("Pardo", "02.00.01", 2097152);  // the largest: still under way at the close
  FlashProcess run("--progress-lines --simulate reply-ms=5 upgrade " + image.path());
  ASSERT_TRUE(run.ReadUntil("message: Firmware is Upgrading"));
  run.CloseErrors();
  const FlashRun ran = run.Finish();
  EXPECT_EQ(ran.status, 1);
  EXPECT_THAT(LastMessage(ran.out), StartsWith("Upgrade discontinued."));
}

// A session recorded and then replayed gives the same output and exit status, byte for byte:
// for an upgrade, a failure code, re-sends and a device removed at a block.
TEST(FlashProcess, ARecordedSessionReplaysByteForByte) {
  const std::string firmware = KR55LE_SAMPLES "/firmware-01.02.00.bin";
  for (const char* simulate : {"mode=firmware", "fail-at=2", "resend-every=2", "unplug-at=3"}) {
    const TempFile recording({}, "session.jsonl");
    const FlashRun recorded = RunFlash("--record " + recording.path() + " --simulate " + simulate +
                                       " upgrade " + firmware);
    const FlashRun replayed =
        RunFlash("--simulate replay=" + recording.path() + " upgrade " + firmware);
    EXPECT_EQ(replayed.status, recorded.status) << simulate;
    EXPECT_EQ(replayed.out, recorded.out) << simulate;
    EXPECT_THAT(replayed.err, ::testing::Not(HasSubstr("replay:"))) << simulate;
  }
}

}  // namespace
}  // namespace kr55le::testing
