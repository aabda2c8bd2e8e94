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
