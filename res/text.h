// A text the user reads. Its English words are what the program shows when no other language is
// chosen, and they are the key of its translations (the msgid of the catalogs in po/).
#pragma once

#include <cstddef>
#include <string_view>

namespace kr55le {

namespace i18n {
// The text in the language chosen for this program (res/language.h), or the English words
// when that language has no translation of them.
std::string_view Translate(std::string_view context, std::string_view english);
std::string_view TranslatePlural(std::string_view context, std::string_view singular,
                                 std::string_view plural, unsigned long count);
}  // namespace i18n

class Text {
 public:
  constexpr Text(const char* english) : english_(english) {}  // NOLINT: a table of literals
  // Where one English text has two uses that a language may word apart.
  constexpr Text(std::string_view context, std::string_view english)
      : context_(context), english_(english) {}

  constexpr std::string_view English() const { return english_; }
  constexpr std::string_view Context() const { return context_; }
  // Every use that shows the text takes it in the chosen language.
  operator std::string_view() const { return i18n::Translate(context_, english_); }
  std::string_view Translated() const { return *this; }

  friend bool operator==(const Text& text, std::string_view other) {
    return text.Translated() == other;
  }
  // The same entry of the table, whatever the language.
  friend constexpr bool operator==(const Text& one, const Text& other) {
    return one.context_ == other.context_ && one.english_ == other.english_;
  }

 private:
  std::string_view context_;
  std::string_view english_;
};

// A text that holds a number, worded by that number as each language does.
class PluralText {
 public:
  constexpr PluralText(std::string_view singular, std::string_view plural)
      : singular_(singular), plural_(plural) {}

  constexpr std::string_view Singular() const { return singular_; }
  constexpr std::string_view Plural() const { return plural_; }
  std::string_view For(unsigned long count) const {
    return i18n::TranslatePlural({}, singular_, plural_, count);
  }

 private:
  std::string_view singular_;
  std::string_view plural_;
};

}  // namespace kr55le
