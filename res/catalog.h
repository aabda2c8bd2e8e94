// The translations the build made from po/*.po (po/make_catalogs.py writes the table).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace kr55le::i18n {

// gettext allows up to this many plural forms; the shipped languages use at most two.
inline constexpr std::size_t kMaxPluralForms = 4;

struct CatalogEntry {
  std::string_view context;
  std::string_view english;  // the msgid: the singular where the text has plural forms
  std::array<std::string_view, kMaxPluralForms> forms;  // forms[0] alone for a plain text
};

struct Catalog {
  std::string_view language;  // as po/LINGUAS names it: "de", "zh_CN"
  std::size_t (*pluralForm)(unsigned long count);
  std::span<const CatalogEntry> entries;  // sorted by context, then English
};

// Every language shipped, the pseudo-language last.
std::span<const Catalog> ShippedCatalogs();

}  // namespace kr55le::i18n
