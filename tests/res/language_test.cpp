#include "res/language.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "res/catalog.h"
#include "res/dialog_template.h"
#include "res/strings.h"

namespace kr55le::i18n {
namespace {

// Each test leaves the program in English, as every other test expects it.
class LanguageTest : public ::testing::Test {
 protected:
  void TearDown() override { UseLanguage({}); }
};

struct ChoiceCase {
  std::vector<std::string> wishes;
  std::string chosen;
};

TEST_F(LanguageTest, FirstWishWithACatalogIsChosenByRegionThenLanguage) {
  const ChoiceCase cases[] = {
      {{"de_DE.UTF-8"}, "de"},
      {{"fr-CA"}, "fr"},
      {{"zh-Hans-CN"}, "zh_CN"},
      {{"zh_CN.GB2312@cjk"}, "zh_CN"},
      {{"ja"}, "ja"},
      {{"pt_BR", "", "es-419"}, "es"},
      {{"zh_TW", "ja_JP"}, "ja"},  // no catalog for the region, none for "zh" alone
      {{"en_GB", "de"}, ""},       // English is wished first
      {{"C.UTF-8", "de"}, ""},
      {{"POSIX"}, ""},
      {{"xx", "qq_ZZ"}, ""},
      {{}, ""},
  };
  for (const ChoiceCase& test : cases) {
    EXPECT_EQ(ChooseLanguage(test.wishes), test.chosen) << ::testing::PrintToString(test.wishes);
  }
}

// Unset where `value` is null.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  ::_putenv_s(name, value == nullptr ? "" : value);  // "" unsets there
#else
  if (value == nullptr) {
    ::unsetenv(name);
  } else {
    ::setenv(name, value, 1);
  }
#endif
}

struct EnvironmentCase {
  const char* language;
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
  std::vector<std::string> wishes;
};

TEST_F(LanguageTest, PosixWishesFollowGettextsOrder) {
  const EnvironmentCase cases[] = {
      {"de:fr", nullptr, nullptr, "ja_JP.UTF-8", {"de", "fr", "ja_JP.UTF-8"}},
      {"de", "C", nullptr, "ja_JP.UTF-8", {"C"}},  // a C locale is English whatever LANGUAGE says
      {"de", nullptr, nullptr, nullptr, {"de"}},
      {nullptr, "", "fr_FR", "de_DE", {"fr_FR"}},
      {"::es:", nullptr, nullptr, "C.UTF-8", {"es", "C.UTF-8"}},
      {"de", nullptr, "POSIX", "de_DE", {"POSIX"}},
      {"::es:", nullptr, nullptr, "fr_FR", {"es", "fr_FR"}},
      {nullptr, nullptr, nullptr, nullptr, {}},
  };
  for (const EnvironmentCase& test : cases) {
    const std::pair<const char*, const char*> variables[] = {{"LANGUAGE", test.language},
                                                             {"LC_ALL", test.lcAll},
                                                             {"LC_MESSAGES", test.lcMessages},
                                                             {"LANG", test.lang}};
    for (const auto& [name, value] : variables) SetVariable(name, value);
    EXPECT_EQ(PosixLanguageWishes(), test.wishes) << test.language << " " << test.lang;
  }
}

TEST_F(LanguageTest, TextsShowInTheLanguageUsedAndInEnglishWithout) {
  ASSERT_TRUE(UseLanguage("de"));
  EXPECT_EQ(CurrentLanguage(), "de");
  EXPECT_NE(std::string_view(text::kNoDeviceAttached), text::kNoDeviceAttached.English());
  EXPECT_FALSE(UseLanguage("xx"));
  EXPECT_EQ(CurrentLanguage(), "");
  EXPECT_EQ(std::string_view(text::kNoDeviceAttached), "No device is attached");
}

// Every entry of every catalog is found again by its words: the table's order is the lookup's.
TEST_F(LanguageTest, EveryCatalogEntryIsFoundByItsEnglishWords) {
  ASSERT_GE(ShippedCatalogs().size(), 6u);  // five languages and the pseudo-language
  for (const Catalog& catalog : ShippedCatalogs()) {
    UseLanguage(catalog.language);
    for (const CatalogEntry& entry : catalog.entries) {
      EXPECT_EQ(Translate(entry.context, entry.english), entry.forms[0])
          << catalog.language << ": " << entry.english;
    }
  }
}

// Alt and the letter after '&' reach one button in each language.
TEST_F(LanguageTest, AccessKeysDifferWithinTheDialogInEveryLanguage) {
  for (const Catalog& catalog : ShippedCatalogs()) {
    UseLanguage(catalog.language);
    std::set<char> keys;
    std::size_t captionsWithKeys = 0;
    for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
      const std::string_view caption = row.text;
      const std::size_t amp = caption.find('&');
      if (amp == std::string_view::npos || amp + 1 == caption.size()) continue;
      ++captionsWithKeys;
      keys.insert(static_cast<char>(std::tolower(static_cast<unsigned char>(caption[amp + 1]))));
    }
    EXPECT_EQ(captionsWithKeys, 3u) << catalog.language;
    EXPECT_EQ(keys.size(), captionsWithKeys) << catalog.language;
  }
}

// The form for none is French's singular and German's plural; Japanese has one form.
TEST_F(LanguageTest, PluralFormsFollowEachLanguagesRule) {
  const std::pair<std::string_view, std::array<std::size_t, 3>> cases[] = {
      {"de", {1, 0, 1}}, {"fr", {0, 0, 1}}, {"ja", {0, 0, 0}}, {"zh_CN", {0, 0, 0}}};
  for (const auto& [language, forms] : cases) {
    for (const Catalog& catalog : ShippedCatalogs()) {
      if (catalog.language != language) continue;
      const std::array<std::size_t, 3> found{catalog.pluralForm(0), catalog.pluralForm(1),
                                             catalog.pluralForm(2)};
      EXPECT_EQ(found, forms) << language;
    }
  }
  EXPECT_EQ(text::kProgressStartFormat.For(1), text::kProgressStartFormat.Singular());
  EXPECT_EQ(text::kProgressStartFormat.For(2), text::kProgressStartFormat.Plural());
}

}  // namespace
}  // namespace kr55le::i18n
