#include "cli/output.h"

#include "cli/terminal_text.h"
#include "record/latin1_json.h"
#include "res/names.h"
#include "res/strings.h"

namespace kr55le {

void PrintError(std::string_view message, std::FILE* errors) {
  std::fprintf(errors, "%.*s%.*s\n", static_cast<int>(name::kFlashErrorPrefix.size()),
               name::kFlashErrorPrefix.data(), static_cast<int>(message.size()), message.data());
  std::fflush(errors);
}

FlashOutput::FlashOutput(std::FILE* out, OutputFormat format, MessageList messages)
    : out_(out), format_(format), messages_(messages) {}

void FlashOutput::Message(std::string_view text) {
  if (format_ == OutputFormat::Lines) return Line(kKeyMessage, text);
  messageTexts_.push_back(Latin1Json(text));
}

void FlashOutput::Field(std::string_view key, std::string_view value) {
  if (format_ == OutputFormat::Lines) return Line(key, value);
  members_[std::string(key)] = Latin1Json(value);
}

void FlashOutput::Field(std::string_view key, std::uint64_t value) {
  if (format_ == OutputFormat::Lines) return Line(key, std::to_string(value));
  members_[std::string(key)] = value;
}

void FlashOutput::Flag(std::string_view key, bool value) {
  if (format_ == OutputFormat::Lines) return Line(key, value ? text::kWordYes : text::kWordNo);
  members_[std::string(key)] = value;
}

void FlashOutput::Finish() {
  if (format_ == OutputFormat::Lines) return;
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  if (messages_ == MessageList::Included) object[std::string(kKeyMessages)] = messageTexts_;
  object.update(members_);
  std::fprintf(out_, "%s\n", DumpJson(object).c_str());
  std::fflush(out_);
}

void FlashOutput::Line(std::string_view key, std::string_view value) {
  // An empty value leaves the line at its colon. A device's texts may hold control characters.
  const std::string safe = TerminalSafe(value);
  std::fprintf(out_, "%.*s:%s%s\n", static_cast<int>(key.size()), key.data(),
               safe.empty() ? "" : " ", safe.c_str());
  std::fflush(out_);
}

}  // namespace kr55le
