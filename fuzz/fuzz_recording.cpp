// Arbitrary bytes as a session recording someone sent: the reader, and the replay built from
// what it accepts, answering each recorded request and one that differs.
#include <cstdint>
#include <string_view>

#include "record/session_record.h"
#include "sim/replay_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kr55le::record::ParsedRecording parsed = kr55le::record::ParseRecording(text);
  if (!parsed.ok()) {
    if (!parsed.events.empty()) __builtin_trap();
    return 0;
  }
  // What was read is written and read back the same.
  std::string again;
  for (const kr55le::record::Event& event : parsed.events) {
    again += kr55le::record::FormatEvent(event) + "\n";
  }
  if (kr55le::record::ParseRecording(again).events != parsed.events) __builtin_trap();
  for (kr55le::sim::ReplayDevice& device : kr55le::sim::ReplayDevices(parsed.events)) {
    auto shared = std::make_shared<const kr55le::sim::ReplayDevice>(std::move(device));
    kr55le::sim::ReplayCursor cursor(shared, true);
    for (const kr55le::sim::ReplayStep& step : shared->steps) cursor.Answer(step.request);
    cursor.Answer(std::vector<std::uint8_t>{0});
  }
  return 0;
}
