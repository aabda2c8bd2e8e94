// The language this program shows its texts in, chosen once at its start, before any thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kr55le::i18n {

// The language for the first of the wishes ("de-AT", "fr_CA.UTF-8", "zh-Hans-CN") that a
// catalog has, its region's first and then its language's; "" (English, the texts as written)
// when none has one, or where "C", "POSIX" or "en" comes before any that has.
std::string ChooseLanguage(std::span<const std::string> wishes);
// Shows every text in this language from now on; "" is English. False, and English, when no
// catalog has it.
bool UseLanguage(std::string_view language);
// Whether the wish is English or has a catalog.
bool IsKnownLanguage(std::string_view wish);
std::string_view CurrentLanguage();

// The wishes of a POSIX system, in gettext's order: LANGUAGE (a list split by ':'), unless the
// locale is "C", then the first set of LC_ALL, LC_MESSAGES and LANG.
std::vector<std::string> PosixLanguageWishes();

// The value of "--lang LANGUAGE" or "--lang=LANGUAGE" among a program's arguments (its last).
std::optional<std::string> LanguageOption(std::span<const std::string> arguments);
// The program's language: the option's where given (taken out of the arguments), else the first
// of the system's wishes that has a catalog. False when the option names a language without one
// (English then).
bool UseProgramLanguage(std::vector<std::string>& arguments,
                        std::span<const std::string> systemWishes);

}  // namespace kr55le::i18n
