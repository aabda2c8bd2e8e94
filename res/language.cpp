#include "res/language.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <tuple>

#include "res/catalog.h"
#include "res/names.h"
#include "res/text.h"

namespace kr55le::i18n {
namespace {

// Set at the start, before any thread; read by every thread after.
std::atomic<const Catalog*> current{nullptr};

const Catalog* CatalogOf(std::string_view language) {
  for (const Catalog& catalog : ShippedCatalogs()) {
    if (catalog.language == language) return &catalog;
  }
  return nullptr;
}

// "fr_CA.UTF-8@euro" and "fr-CA" both give "fr_CA"; "zh-Hans-CN" gives "zh_CN".
std::string Normalized(std::string_view wish) {
  wish = wish.substr(0, wish.find_first_of(".@"));
  std::string language;
  std::string region;
  std::size_t part = 0;
  while (!wish.empty()) {
    const std::size_t end = wish.find_first_of("-_");
    const std::string_view piece = wish.substr(0, end);
    if (part == 0) {
      language.assign(piece);
      std::transform(language.begin(), language.end(), language.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    } else if (piece.size() == 2 || (piece.size() == 3 && std::isdigit(piece[0]))) {
      region.assign(piece);  // a script ("Hans") is passed over
      std::transform(region.begin(), region.end(), region.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    ++part;
    wish = end == std::string_view::npos ? std::string_view() : wish.substr(end + 1);
  }
  return region.empty() ? language : language + "_" + region;
}

// The texts as written: English, or the C locale ("C", "C.UTF-8", "POSIX").
bool MeansEnglish(std::string_view wish) {
  const std::string_view locale = wish.substr(0, wish.find_first_of(".@"));
  const std::string normalized = Normalized(wish);
  return locale == "C" || locale == "POSIX" || normalized == "en" || normalized.starts_with("en_");
}

const CatalogEntry* Find(const Catalog& catalog, std::string_view context,
                         std::string_view english) {
  const auto key = std::tie(context, english);
  const auto found = std::lower_bound(catalog.entries.begin(), catalog.entries.end(), key,
                                      [](const CatalogEntry& entry, const auto& k) {
                                        return std::tie(entry.context, entry.english) < k;
                                      });
  if (found == catalog.entries.end() || found->context != context || found->english != english) {
    return nullptr;
  }
  return &*found;
}

std::size_t OptionPrefixLength() {
  return name::kLanguageOption.size() + 1;  // "--lang="
}

// How many words from `index` on are the language option: "--lang X" two, "--lang=X" one.
std::size_t LanguageOptionWords(std::span<const std::string> arguments, std::size_t index) {
  const std::string_view word = arguments[index];
  if (word == name::kLanguageOption) return index + 1 < arguments.size() ? 2 : 0;
  return word.starts_with(name::kLanguageOption) &&
                 word.substr(name::kLanguageOption.size()).starts_with('=')
             ? 1
             : 0;
}

}  // namespace

std::string ChooseLanguage(std::span<const std::string> wishes) {
  for (const std::string& wish : wishes) {
    if (wish.empty()) continue;
    if (MeansEnglish(wish)) return {};
    const std::string normalized = Normalized(wish);
    if (CatalogOf(normalized) != nullptr) return normalized;
    const std::string language = normalized.substr(0, normalized.find('_'));
    if (CatalogOf(language) != nullptr) return language;
  }
  return {};
}

bool UseLanguage(std::string_view language) {
  const Catalog* catalog = language.empty() ? nullptr : CatalogOf(language);
  current.store(catalog);
  return language.empty() || catalog != nullptr;
}

bool IsKnownLanguage(std::string_view wish) {
  const std::string given(wish);
  return MeansEnglish(wish) || !ChooseLanguage(std::span(&given, 1)).empty();
}

std::string_view CurrentLanguage() {
  const Catalog* catalog = current.load();
  return catalog == nullptr ? std::string_view() : catalog->language;
}

std::vector<std::string> PosixLanguageWishes() {
  std::string locale;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  // As gettext: the "C" locale is English whatever LANGUAGE says ("C.UTF-8" is not, which is
  // what many systems set). An unset one is not "C" here, so that LANGUAGE alone chooses where
  // no locale is set at all.
  if (locale == "C" || locale == "POSIX") return {locale};
  std::vector<std::string> wishes;
  if (const char* list = std::getenv("LANGUAGE"); list != nullptr) {
    std::string_view rest(list);
    while (!rest.empty()) {
      const std::size_t end = rest.find(':');
      if (end != 0) wishes.emplace_back(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
  }
  if (!locale.empty()) wishes.push_back(locale);
  return wishes;
}

std::optional<std::string> LanguageOption(std::span<const std::string> arguments) {
  std::optional<std::string> value;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    if (const std::size_t words = LanguageOptionWords(arguments, index)) {
      value = words == 2 ? arguments[index + 1] : arguments[index].substr(OptionPrefixLength());
      index += words - 1;
    }
  }
  return value;
}

bool UseProgramLanguage(std::vector<std::string>& arguments,
                        std::span<const std::string> systemWishes) {
  const std::optional<std::string> option = LanguageOption(arguments);
  for (std::size_t index = 0; index < arguments.size();) {
    const std::size_t words = LanguageOptionWords(arguments, index);
    if (words == 0) {
      ++index;
    } else {
      arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(index),
                      arguments.begin() + static_cast<std::ptrdiff_t>(index + words));
    }
  }
  if (!option) return UseLanguage(ChooseLanguage(systemWishes));
  UseLanguage(ChooseLanguage(std::span(&*option, 1)));
  return IsKnownLanguage(*option);
}

std::string_view Translate(std::string_view context, std::string_view english) {
  const Catalog* catalog = current.load();
  if (catalog == nullptr) return english;
  const CatalogEntry* entry = Find(*catalog, context, english);
  return entry == nullptr || entry->forms[0].empty() ? english : entry->forms[0];
}

std::string_view TranslatePlural(std::string_view context, std::string_view singular,
                                 std::string_view plural, unsigned long count) {
  const Catalog* catalog = current.load();
  const CatalogEntry* entry = catalog == nullptr ? nullptr : Find(*catalog, context, singular);
  if (entry == nullptr) return count == 1 ? singular : plural;
  const std::size_t form = std::min(catalog->pluralForm(count), kMaxPluralForms - 1);
  return entry->forms[form].empty() ? (count == 1 ? singular : plural) : entry->forms[form];
}

}  // namespace kr55le::i18n
