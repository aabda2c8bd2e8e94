#include "platform/qt/file_filter.h"

#include <QUrl>

#include <gtest/gtest.h>

#include "platform/qt/local_file_name.h"
#include "res/strings.h"

namespace kr55le::qt {
namespace {

struct FilterCase {
  std::string_view name;
  std::string_view win32;
  std::string_view qt;
  friend void PrintTo(const FilterCase& row, std::ostream* out) { *out << '"' << row.win32 << '"'; }
};

class FileFilterConversion : public testing::TestWithParam<FilterCase> {};

TEST_P(FileFilterConversion, GivesQtsForm) {
  EXPECT_EQ(ToQtFileFilter(GetParam().win32), GetParam().qt);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileFilterConversion,
    testing::Values(
        FilterCase{"LabelWithItsPattern", text::kOpenDialogFilter, "Bin Files: (*.bin)"},
        FilterCase{"LabelAlone", "Bin Files|*.bin|", "Bin Files (*.bin)"},
        FilterCase{"NoClosingBar", "Bin Files|*.bin", "Bin Files (*.bin)"},
        FilterCase{"SeveralPatterns", "Images|*.png;*.jpg|", "Images (*.png *.jpg)"},
        FilterCase{"LabelWithSeveralPatterns", "Images (*.png;*.jpg)|*.png;*.jpg|",
                   "Images (*.png *.jpg)"},
        FilterCase{"TwoEntries", "Bin|*.bin|All Files (*.*)|*.*|", "Bin (*.bin);;All Files (*.*)"},
        FilterCase{"LabelWithoutPattern", "Bin|*.bin|Orphan label|", "Bin (*.bin)"},
        FilterCase{"EmptyPattern", "No pattern||Bin|*.bin|", "Bin (*.bin)"},
        FilterCase{"EmptyLabel", "|*.bin|", "(*.bin)"}, FilterCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<FilterCase>& row) { return std::string(row.param.name); });

// The chooser's URL gives back the name's bytes, also those of a name that is not UTF-8.
TEST(LocalFileName, IsTheChosenFilesBytes) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"file:///tmp/img-%FF%FE.bin", "/tmp/img-\xff\xfe.bin"},
      {"file:///tmp/%D0%BE%D0%B1%20x%2525.bin", "/tmp/\xd0\xbe\xd0\xb1 x%25.bin"},
      {"https://example.com/a.bin", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [url, name] : cases) {
    EXPECT_EQ(LocalFileName(QUrl::fromEncoded(url)), name) << url;
  }
  const QString utf8 = QString::fromUtf8("/tmp/\xd0\xbe\xd0\xb1 #1%.bin");
  EXPECT_EQ(LocalFileName(QUrl::fromLocalFile(utf8)), utf8.toStdString());
}

}  // namespace
}  // namespace kr55le::qt
