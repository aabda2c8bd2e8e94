#include "cli/output.h"

#include <gtest/gtest.h>

#include "tests/support/memory_stream.h"

namespace kr55le {
namespace {

TEST(FlashOutput, EscapesJsonStrings) {
  const struct {
    std::string_view text;
    const char* json;
  } cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"tab\tline\nreturn\r", "\"tab\\tline\\nreturn\\r\""},
      {std::string_view("nul\0bell\a", 9), "\"nul\\u0000bell\\u0007\""},
      {"\x7f\xe9", "\"\\u007f\\u00e9\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json);
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
    testing::MemoryStream stream;
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
    testing::MemoryStream stream;
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

}  // namespace
}  // namespace kr55le
