#include "record/session_record.h"

#include <gmock/gmock.h>

#include "record/latin1_json.h"

namespace kr55le::record {
namespace {

using ::testing::HasSubstr;

std::string EveryByte() {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}

// Each kind of event reads back as it was written, whatever bytes its texts hold.
TEST(SessionRecord, EveryEventReadsBackAsWritten) {
  const std::vector<Event> events = {
      {.kind = EventKind::Start,
       .tool = "kr55le-flash",
       .version = "1.2.3",
       .command = {"upgrade", "a \"quoted\" name\\.bin", "\xe9t\xe9\n", EveryByte()}},
      {.kind = EventKind::Interfaces,
       .micros = 12,
       .interfaces = {{"/dev/hidraw0#vid_0483&pid_5750", "Pardo KR-55LE"},
                      {"/dev/hidraw1#vid_046d&pid_c31c", std::nullopt}}},
      {.kind = EventKind::Interfaces, .micros = 13},
      {.kind = EventKind::Open, .micros = 40, .handle = 3, .path = "/DEV/HIDRAW0"},
      {.kind = EventKind::Open,
       .micros = 41,
       .handle = 4,
       .path = "/dev/hidraw9",
       .error = hid::HidError::PermissionDenied},
      {.kind = EventKind::Attributes, .micros = 42, .handle = 3, .attributes = {0x0483, 0x5750, 1}},
      {.kind = EventKind::Caps, .micros = 43, .handle = 3, .caps = {64, 1024, 0}},
      {.kind = EventKind::Caps, .micros = 44, .handle = 3, .error = hid::HidError::Io},
      {.kind = EventKind::Write, .micros = 50, .handle = 3, .bytes = {0x01, 0xff, 0x00, 0xa5}},
      {.kind = EventKind::WriteFailed, .micros = 51, .handle = 3, .error = hid::HidError::Gone},
      {.kind = EventKind::WriteFailed, .micros = 52, .handle = 3, .error = hid::HidError::NotSent},
      {.kind = EventKind::Read, .micros = 9007199254740992, .handle = 65535, .bytes = {}},
      {.kind = EventKind::Read, .micros = 60, .handle = 3, .error = hid::HidError::TooLong},
      // The longest report a reader takes.
      {.kind = EventKind::Read,
       .micros = 61,
       .handle = 3,
       .bytes = std::vector<std::uint8_t>(kMaxReportBytes, 0x5a)},
  };
  std::string text;
  for (const Event& event : events) text += FormatEvent(event) + "\n";
  const ParsedRecording parsed = ParseRecording(text);
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  EXPECT_EQ(parsed.events, events);
}

// Lines are written as they always were: a byte
// outside printable ASCII as \u00XX (a control character by its short escape where JSON has
// one), the members in the order of docs/recording.md.
TEST(SessionRecord, WritesTextsByteForByteAsBefore) {
  const struct {
    Event event;
    std::string line;
  } cases[] = {
      {{.kind = EventKind::Open,
        .micros = 5,
        .handle = 2,
        .path = std::string("\x00\x1f \"\\/\x7f\x80\xc3\xa9\xff\b\f\n\r\tA", 17)},
       R"({"event":"open","us":5,"handle":2,)"
       R"("path":"\u0000\u001f \"\\/\u007f\u0080\u00c3\u00a9\u00ff\b\f\n\r\tA"})"},
      {{.kind = EventKind::Interfaces,
        .micros = 1,
        .interfaces = {{"/dev/hidraw0", "Pardo KR-55LE"}, {"/dev/hidraw1", std::nullopt}}},
       R"({"event":"interfaces","us":1,"interfaces":[{"path":"/dev/hidraw0",)"
       R"("description":"Pardo KR-55LE"},{"path":"/dev/hidraw1","description":null}]})"},
      {{.kind = EventKind::Write, .micros = 18446744073709551615U, .bytes = {0x01, 0xab}},
       R"({"event":"write","us":18446744073709551615,"handle":0,"bytes":"01ab"})"},
  };
  // What the writer writes, the reader reads back (above): so files written before read too.
  for (const auto& c : cases) EXPECT_EQ(FormatEvent(c.event), c.line);
}

// A file someone sent: the first line that is not an event is named, with what is wrong.
TEST(SessionRecord, RefusesWhatIsNotARecordingNamingTheLine) {
  const std::string start = R"({"event":"start","us":0,"tool":"t","version":"v","command":[]})";
  const struct {
    std::string line;
    const char* named;
  } cases[] = {
      {"not json", "line 2: not JSON"},
      {"[1]", "line 2: not an object"},
      {R"({"event":"jump","us":1})", "line 2: unknown event 'jump'"},
      {R"({"event":"read","handle":0,"bytes":""})", "line 2: 'us' missing"},
      {R"({"event":"read","us":-1,"handle":0,"bytes":""})", "'us' out of range"},
      {R"({"event":"read","us":1.5,"handle":0,"bytes":""})", "'us' out of range"},
      {R"({"event":"read","us":1,"handle":65536,"bytes":""})", "'handle' out of range"},
      {R"({"event":"read","us":1,"handle":0,"bytes":"abc"})", "'bytes' not whole bytes"},
      {R"({"event":"read","us":1,"handle":0,"bytes":"0z"})", "'bytes' not hexadecimal"},
      {R"({"event":"read","us":1,"handle":0,"bytes":")" +
           std::string(2 * kMaxReportBytes + 2, 'a') + R"("})",
       "'bytes' not whole bytes or too long"},
      {R"({"event":"interfaces","us":1,"interfaces":[{"description":null}]})",
       "without a path or description"},
      {R"({"event":"interfaces","us":1,"interfaces":["p"]})", "without a path or description"},
      {R"({"event":"interfaces","us":1,"interfaces":[{"path":1,"description":null}]})",
       "without a path or description"},
      {R"({"event":"read","us":1,"handle":0,"bytes":12})", "'bytes' of the wrong type"},
      {R"({"event":"read","us":1,"handle":0,"error":"melted"})", "unknown 'error'"},
      {R"({"event":"write-failed","us":1,"handle":0})", "'error' missing"},
      {R"({"event":"caps","us":1,"handle":0,"input":70000,"output":1,"feature":0})",
       "'input' out of range"},
      {R"({"event":"start","us":0,"tool":"t","version":"v","command":[1]})", "holds a non-string"},
      {std::string(kMaxJsonDepth + 2, '[') + std::string(kMaxJsonDepth + 2, ']'),
       "line 2: nesting too deep"},
      // A value one below the deepest a reader takes, where a member a reader does not know
      // may stand.
      {R"({"event":"open","us":1,"handle":0,"path":"p","later":)" +
           std::string(kMaxJsonDepth, '[') + "1" + std::string(kMaxJsonDepth, ']') + "}",
       "line 2: nesting too deep"},
      // Members of the wrong type, each refused by name.
      {R"({"event":1,"us":1})", "line 2: 'event' of the wrong type"},
      {R"({"event":"open","us":"1","handle":0,"path":"p"})", "'us' of the wrong type"},
      {R"({"event":"open","us":1,"handle":true,"path":"p"})", "'handle' of the wrong type"},
      {R"({"event":"open","us":1,"handle":0,"path":["p"]})", "'path' of the wrong type"},
      {R"({"event":"interfaces","us":1,"interfaces":{}})", "'interfaces' of the wrong type"},
      {R"({"event":"caps","us":1,"handle":0,"input":{},"output":1,"feature":0})",
       "'input' of the wrong type"},
      {R"({"event":"read","us":18446744073709551615,"handle":0,"bytes":""})", "'us' out of range"},
  };
  for (const auto& c : cases) {
    const ParsedRecording parsed = ParseRecording(start + "\n" + c.line + "\n");
    EXPECT_FALSE(parsed.ok()) << c.line;
    EXPECT_THAT(parsed.error, HasSubstr(c.named)) << c.line;
    EXPECT_TRUE(parsed.events.empty()) << c.line;
  }
}

// ",[]" `count` times: arrays side by side, none inside another.
std::string Siblings(std::size_t count) {
  std::string text;
  for (std::size_t index = 0; index < count; ++index) text += ",[]";
  return text;
}

// As edited by hand: members a reader does not know are passed over, however deep up to the
// limit and however many side by side; \u escapes above Latin-1 become UTF-8, and bytes outside
// ASCII written as they stand stay those bytes; of a member given twice the first counts; a number
// is an integer however it is spelt; bytes may be spelt in capitals.
TEST(SessionRecord, ReadsAHandEditedRecording) {
  const ParsedRecording parsed = ParseRecording(
      R"({"event":"open","us":7,"handle":1,"path":"\u00e9\u20ac\u0041","later":[true,{})" +
      Siblings(kMaxJsonDepth) +
      "]}\n"
      R"({"event":"read","us":8,"handle":1,"bytes":"0aFA","handle":2})"
      "\n"
      R"({"event":"open","us":9,"handle":1e0,"path":"caf)"
      "\xc3\xa9 \xe9"
      R"(","later":)" +
      std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']') + "}\n");
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  ASSERT_EQ(parsed.events.size(), 3U);
  EXPECT_EQ(parsed.events[0].path,
            "\xe9\xe2\x82\xac"
            "A");
  EXPECT_EQ(parsed.events[1].bytes, (std::vector<std::uint8_t>{0x0a, 0xfa}));
  EXPECT_EQ(parsed.events[1].handle, 1U);
  EXPECT_EQ(parsed.events[2].path, "caf\xc3\xa9 \xe9");
  EXPECT_EQ(parsed.events[2].handle, 1U);
}

}  // namespace
}  // namespace kr55le::record
