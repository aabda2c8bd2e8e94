#include "record/session_record.h"

#include <gmock/gmock.h>

#include "record/json.h"

namespace kr55le::record {
namespace {

using ::testing::HasSubstr;

// Each kind of event reads back as it was written, whatever bytes its texts hold.
TEST(SessionRecord, EveryEventReadsBackAsWritten) {
  const std::vector<Event> events = {
      {.kind = EventKind::Start,
       .tool = "kr55le-flash",
       .version = "1.2.3",
       .command = {"upgrade", "a \"quoted\" name\\.bin", "\xe9t\xe9\n"}},
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

// A file someone sent: the first line that is not an event is named, with what is wrong.
TEST(SessionRecord, RefusesWhatIsNotARecordingNamingTheLine) {
  const std::string start = R"({"event":"start","us":0,"tool":"t","version":"v","command":[]})";
  const struct {
    std::string line;
    const char* named;
  } cases[] = {
      {"not json", "line 2: a bad value at offset 0"},
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
      {R"({"event":"read","us":1,"handle":0,"bytes":12})", "'bytes' of the wrong type"},
      {R"({"event":"read","us":1,"handle":0,"error":"melted"})", "unknown 'error'"},
      {R"({"event":"write-failed","us":1,"handle":0})", "'error' missing"},
      {R"({"event":"caps","us":1,"handle":0,"input":70000,"output":1,"feature":0})",
       "'input' out of range"},
      {R"({"event":"interfaces","us":1,"interfaces":[{"path":"p"}]})",
       "without a path or description"},
      {R"({"event":"start","us":0,"tool":"t","version":"v","command":[1]})", "holds a non-string"},
      {R"({"event":"open","us":1,"handle":0,"path":"p"} x)", "text after the value"},
      {R"({"event":"open","us":1,"handle":0,"path":"p)", "a string not closed"},
      {R"({"event":"open","us":1,"handle":0,"path":"\q"})", "a bad escape"},
      {std::string(kMaxJsonDepth + 2, '[') + std::string(kMaxJsonDepth + 2, ']'),
       "nesting too deep"},
      {"{\"event\":\"open\",\"us\":1,\"handle\":0,\"path\":\"a\x01\"}", "a control byte"},
  };
  for (const auto& c : cases) {
    const ParsedRecording parsed = ParseRecording(start + "\n" + c.line + "\n");
    EXPECT_FALSE(parsed.ok()) << c.line;
    EXPECT_THAT(parsed.error, HasSubstr(c.named)) << c.line;
    EXPECT_TRUE(parsed.events.empty()) << c.line;
  }
}

// As edited by hand: blank lines, blanks between tokens and members a reader does not know are
// passed over; \u escapes above Latin-1 become UTF-8; bytes may be spelt in capitals.
TEST(SessionRecord, ReadsAHandEditedRecording) {
  const ParsedRecording parsed = ParseRecording(
      "\n  \r\n"
      R"( { "event" : "open" ,)"
      "\t"
      R"("us" : 7 , "handle":1,"path":"\u00e9\u20ac\u0041",)"
      R"("later":{ "a" : [ true , null , { } , [ ] ] } } )"
      "\r\n"
      R"({"event":"read","us":8,"handle":1,"bytes":"0aFA"})");
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  ASSERT_EQ(parsed.events.size(), 2U);
  EXPECT_EQ(parsed.events[0].path,
            "\xe9\xe2\x82\xac"
            "A");
  EXPECT_EQ(parsed.events[0].handle, 1U);
  EXPECT_EQ(parsed.events[1].bytes, (std::vector<std::uint8_t>{0x0a, 0xfa}));
}

}  // namespace
}  // namespace kr55le::record
