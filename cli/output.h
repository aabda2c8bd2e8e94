// What kr55le-flash prints on standard output: one "key: value" a line, or with --json one
// object with the same keys (status texts as the array "messages").
#pragma once

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace kr55le {

inline constexpr std::string_view kKeyMessage = "message";
inline constexpr std::string_view kKeyMessages = "messages";
inline constexpr std::string_view kKeySerial = "serial";
inline constexpr std::string_view kKeySoftwareVersion = "software-version";
inline constexpr std::string_view kKeyBootloaderVersion = "bootloader-version";
inline constexpr std::string_view kKeyUpgradeMode = "upgrade-mode";
inline constexpr std::string_view kKeyFileVersion = "file-version";
inline constexpr std::string_view kKeyKind = "kind";
inline constexpr std::string_view kKeyVersion = "version";
inline constexpr std::string_view kKeyVersionWellFormed = "version-well-formed";
inline constexpr std::string_view kKeyPayloadBytes = "payload-bytes";
inline constexpr std::string_view kKeyBlocks = "blocks";
inline constexpr std::string_view kKeyFillerBytes = "filler-bytes";
inline constexpr std::string_view kKeySizeVerdict = "size-verdict";
inline constexpr std::string_view kKeyVerdict = "verdict";
inline constexpr std::string_view kKeyPath = "path";
inline constexpr std::string_view kKeyProblem = "problem";
inline constexpr std::string_view kKeyResult = "result";
inline constexpr std::string_view kKeySeconds = "seconds";

// One line on `errors`: the program's name, then `message`.
void PrintError(std::string_view message, std::FILE* errors = stderr);

enum class OutputFormat { Lines, Json };
enum class MessageList { Included, Omitted };  // whether a JSON object has "messages"

class FlashOutput {
 public:
  FlashOutput(std::FILE* out, OutputFormat format, MessageList messages);

  // A status text: a "message:" line at once, or an entry of the JSON array.
  void Message(std::string_view text);
  // A "key: value" line at once, or a member of the JSON object.
  void Field(std::string_view key, std::string_view value);
  void Field(std::string_view key, std::uint64_t value);
  void Flag(std::string_view key, bool value);  // yes/no; true/false in JSON
  // Prints the JSON object; nothing more for lines.
  void Finish();

 private:
  void Line(std::string_view key, std::string_view value);

  std::FILE* out_;
  OutputFormat format_;
  MessageList messages_;
  nlohmann::ordered_json messageTexts_ = nlohmann::ordered_json::array();
  nlohmann::ordered_json members_ = nlohmann::ordered_json::object();  // in the order given
};

}  // namespace kr55le
