#include "cli/inspect.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "tests/support/image_bytes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_file.h"

namespace kr55le::testing {
namespace {

constexpr std::size_t kMaxPayload = 2097152;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST(Inspect, JudgesCraftedFilesAsTheWindowWould) {
  const auto image = [](const char* kind, const char* version, std::size_t size) {
    return std::optional(MakeImage(kind, version, Payload(size)));
  };
  const std::vector<std::string> shortFile = {
      "kind: unknown", "version:", "version-well-formed: no", "size-verdict: File size too large",
      "verdict: Error: Invalid File"};
  const auto firmware = [](std::vector<std::string> tail) {
    tail.insert(tail.begin(), {"kind: firmware", "version: 01.02.03", "version-well-formed: yes"});
    return tail;
  };
  const std::vector<std::string> notAFile = {"verdict: Please select the valid file"};
  // Nothing that is not a regular file is an image, and none has a length to tell.
  const std::string pipe = UniqueTempPath("image.pipe").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const struct {
    std::string name;
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: `name` is the path
    int status;
    std::vector<std::string> lines;
  } cases[] = {
      {"/nonexistent/image.bin", std::nullopt, kExitNotDone, notAFile},
      {std::filesystem::temp_directory_path().string(), std::nullopt, kExitNotDone, notAFile},
      {pipe, std::nullopt, kExitNotDone, notAFile},
      {"empty", std::vector<std::uint8_t>{}, kExitNotDone, shortFile},
      {"ten bytes", std::vector<std::uint8_t>(10, 0x41), kExitNotDone, shortFile},
      {"header only", image("Pardo", "01.02.03", 0), kExitNotDone,
       firmware({"payload-bytes: 0", "size-verdict: Empty file selected",
                 "verdict: Empty file selected"})},
      {"wrong kind",
       image("XXXXX", "01.02.03", 10),
       kExitDone,
       {"kind: unknown", "version: 01.02.03", "version-well-formed: yes", "payload-bytes: 10",
        "blocks: 1", "filler-bytes: 998", "size-verdict: ok", "verdict: ok"}},
      {"bad version",
       image("AUDIO", "1.2.3", 10),
       kExitNotDone,
       {"kind: audio", "version: 1.2.3", "version-well-formed: no", "payload-bytes: 10",
        "blocks: 1", "filler-bytes: 998", "size-verdict: ok", "verdict: Error: Invalid File"}},
      {"one byte", image("Pardo", "01.02.03", 1), kExitDone,
       firmware({"payload-bytes: 1", "blocks: 1", "filler-bytes: 1007", "size-verdict: ok",
                 "verdict: ok"})},
      {"2 MiB", image("Pardo", "01.02.03", kMaxPayload), kExitDone,
       firmware({"payload-bytes: 2097152", "blocks: 2081", "filler-bytes: 496", "size-verdict: ok",
                 "verdict: ok"})},
      {"2 MiB and one", image("Pardo", "01.02.03", kMaxPayload + 1), kExitNotDone,
       firmware({"payload-bytes: 2097153", "size-verdict: File size too large",
                 "verdict: File size too large"})},
  };
  for (const auto& c : cases) {
    std::optional<TempFile> file;
    if (c.bytes) file.emplace(*c.bytes, "crafted.bin");
    MemoryStream out;
    FlashOutput output(out.file(), OutputFormat::Lines, MessageList::Included);
    EXPECT_EQ(RunInspect(file ? file->path() : c.name, output), c.status) << c.name;
    output.Finish();
    EXPECT_EQ(Lines(out.Text()), c.lines) << c.name;
  }
  std::filesystem::remove(pipe);
}

}  // namespace
}  // namespace kr55le::testing
