#include "cli/output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/inspect.h"
#include "tests/support/image_bytes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_file.h"

namespace kr55le::testing {
namespace {

// --json writes a text's bytes as the recordings do (their tests go through every byte): each
// outside printable ASCII as \u00XX, a control character by its short escape where JSON has one.
TEST(FlashOutput, JsonWritesEachByteOutsideAsciiEscaped) {
  MemoryStream stream;
  FlashOutput output(stream.file(), OutputFormat::Json, MessageList::Omitted);
  output.Field(kKeySerial, std::string_view("\"\\/\0\a\t\x7f\xc3\xa9", 9));
  output.Finish();
  EXPECT_EQ(stream.Text(), R"({"serial":"\"\\/\u0000\u0007\t\u007f\u00c3\u00a9"})"
                           "\n");
}

// A device's texts reach the terminal with their control characters shown, not acted on; UTF-8
// text stays as it is.
TEST(FlashOutput, LinesShowControlCharactersEscaped) {
  const struct {
    std::string_view value;
    const char* line;
  } cases[] = {
      {"KR55LE0001", "serial: KR55LE0001\n"},
      {"\x1b]0;owned\a\x1b[2J", "serial: \\x1b]0;owned\\x07\\x1b[2J\n"},
      {std::string_view("nul\0tab\tcr\r\x7f", 12), "serial: nul\\x00tab\\x09cr\\x0d\\x7f\n"},
      {"\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c",
       "serial: \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c\n"},
      // A C1 control, in UTF-8 or as a lone byte (an 8-bit terminal's CSI).
      {"a\xc2\x9b"
       "2Jb\x9b"
       "2J",
       "serial: a\\xc2\\x9b2Jb\\x9b2J\n"},
      // Not UTF-8: a lead byte without its continuation, an overlong slash, a surrogate.
      {"\xe2\x82 \xc0\xaf \xed\xa0\x80", "serial: \\xe2\\x82 \\xc0\\xaf \\xed\\xa0\\x80\n"},
  };
  for (const auto& c : cases) {
    MemoryStream stream;
    FlashOutput output(stream.file(), OutputFormat::Lines, MessageList::Included);
    output.Field(kKeySerial, c.value);
    EXPECT_EQ(stream.Text(), c.line);
  }
}

TEST(FlashOutput, PrintsOneJsonObjectWithTheMessagesFirst) {
  const struct {
    MessageList messages;
    const char* json;
  } cases[] = {
      {MessageList::Included,
       "{\"messages\":[\"a\",\"b\"],\"kind\":\"audio\",\"blocks\":2,"
       "\"version-well-formed\":true}\n"},
      {MessageList::Omitted, "{\"kind\":\"audio\",\"blocks\":2,\"version-well-formed\":true}\n"},
  };
  for (const auto& c : cases) {
    MemoryStream stream;
    FlashOutput output(stream.file(), OutputFormat::Json, c.messages);
    output.Field(kKeyKind, "audio");
    output.Message("a");
    output.Field(kKeyBlocks, std::uint64_t{2});
    output.Message("b");
    output.Flag(kKeyVersionWellFormed, true);
    EXPECT_EQ(stream.Text(), "");
    output.Finish();
    EXPECT_EQ(stream.Text(), c.json);
  }
}

#ifndef _WIN32  // makes a named pipe
// inspect: the verdicts it prints.
TEST(Inspect, JudgesCraftedFilesAsTheWindowWould) {
  constexpr std::size_t kMaxPayload = 2097152;
  const auto image = [](const char* kind, const char* version, std::size_t size) {
    return std::optional(MakeImage(kind, version, Payload(size)));
  };
  const std::string shortFile =
      "kind: unknown\nversion:\nversion-well-formed: no\nsize-verdict: File size too large\n"
      "verdict: Error: Invalid File\n";
  const std::string firmware = "kind: firmware\nversion: 01.02.03\nversion-well-formed: yes\n";
  const std::string notAFile = "verdict: Please select the valid file\n";
  // Nothing that is not a regular file is an image, and none has a length to tell.
  const std::string pipe = UniqueTempPath("image.pipe").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const struct {
    std::string name;
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: `name` is the path
    int status;
    std::string text;
  } cases[] = {
      {"/nonexistent/image.bin", std::nullopt, kExitNotDone, notAFile},
      {std::filesystem::temp_directory_path().string(), std::nullopt, kExitNotDone, notAFile},
      {pipe, std::nullopt, kExitNotDone, notAFile},
      {"empty", std::vector<std::uint8_t>{}, kExitNotDone, shortFile},
      {"ten bytes", std::vector<std::uint8_t>(10, 0x41), kExitNotDone, shortFile},
      {"header only", image("Pardo", "01.02.03", 0), kExitNotDone,
       firmware + "payload-bytes: 0\nsize-verdict: Empty file selected\n"
                  "verdict: Empty file selected\n"},
      {"wrong kind", image("XXXXX", "01.02.03", 10), kExitDone,
       "kind: unknown\nversion: 01.02.03\nversion-well-formed: yes\npayload-bytes: 10\n"
       "blocks: 1\nfiller-bytes: 998\nsize-verdict: ok\nverdict: ok\n"},
      {"bad version", image("AUDIO", "1.2.3", 10), kExitNotDone,
       "kind: audio\nversion: 1.2.3\nversion-well-formed: no\npayload-bytes: 10\nblocks: 1\n"
       "filler-bytes: 998\nsize-verdict: ok\nverdict: Error: Invalid File\n"},
      {"one byte", image("Pardo", "01.02.03", 1), kExitDone,
       firmware +
           "payload-bytes: 1\nblocks: 1\nfiller-bytes: 1007\nsize-verdict: ok\nverdict: ok\n"},
      {"2 MiB", image("Pardo", "01.02.03", kMaxPayload), kExitDone,
       firmware + "payload-bytes: 2097152\nblocks: 2081\nfiller-bytes: 496\nsize-verdict: ok\n"
                  "verdict: ok\n"},
      {"2 MiB and one", image("Pardo", "01.02.03", kMaxPayload + 1), kExitNotDone,
       firmware + "payload-bytes: 2097153\nsize-verdict: File size too large\n"
                  "verdict: File size too large\n"},
  };
  for (const auto& c : cases) {
    std::optional<TempFile> file;
    if (c.bytes) file.emplace(*c.bytes, "crafted.bin");
    MemoryStream out;
    FlashOutput output(out.file(), OutputFormat::Lines, MessageList::Included);
    EXPECT_EQ(RunInspect(file ? file->path() : c.name, output), c.status) << c.name;
    output.Finish();
    EXPECT_EQ(out.Text(), c.text) << c.name;
  }
  std::filesystem::remove(pipe);
}
#endif

}  // namespace
}  // namespace kr55le::testing
