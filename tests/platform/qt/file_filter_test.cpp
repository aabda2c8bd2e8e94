#include "platform/qt/file_filter.h"

#include <gtest/gtest.h>

#include "res/strings.h"

namespace kr55le::qt {
namespace {

struct FilterCase {
  std::string_view name;
  std::string_view win32;
  std::string_view qt;
};

void PrintTo(const FilterCase& row, std::ostream* out) {
  *out << '"' << row.win32 << '"';
}

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

}  // namespace
}  // namespace kr55le::qt
