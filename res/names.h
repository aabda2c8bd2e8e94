// The strings that are names, not words: other programs, the system and the lines the utility
// reads back know them as they are, so they are never translated (the texts are in strings.h).
#pragma once

#include <string_view>

namespace kr55le::name {

// What the system and other programs know this one by.
inline constexpr std::string_view kApplicationName = "kr55le-upgrade";
inline constexpr std::string_view kSingleInstanceName = "PARDO_KR_91_MAX_UI_RUNNING";
inline constexpr std::string_view kOtherInstanceWindowName = "tws2";
// Device discovery: the part of a device path that names the vendor.
inline constexpr std::string_view kVendorMatch = "vid_0483";
// The image path field before a file is chosen, and the break inserted into long paths.
inline constexpr std::string_view kPathPlaceholder = " ";
inline constexpr std::string_view kOpenDialogDefaultExtension = "*.*";
inline constexpr std::string_view kPathLineBreak = "\r\n";
// The percentage field: the number and its sign, in every language.
inline constexpr std::string_view kPercentFormat = "%d %c";
inline constexpr std::string_view kPercentComplete = "100 %";
// kr55le-flash: its version line, the prefix of its error lines, and the parts of the lines
// its runs write and the station reads back.
inline constexpr std::string_view kFlashVersionFormat = "kr55le-flash %s\n";
inline constexpr std::string_view kFlashErrorPrefix = "kr55le-flash: ";
inline constexpr std::string_view kSerialLineSeparator = ": ";
// Before each progress drawing written as a line of its own (--progress-lines).
inline constexpr std::string_view kProgressLinePrefix = "progress: ";

// Every program's option that chooses the language of its texts, over the system's choice.
inline constexpr std::string_view kLanguageOption = "--lang";

}  // namespace kr55le::name
