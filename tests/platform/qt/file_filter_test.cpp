#include "platform/qt/file_filter.h"

#include <gtest/gtest.h>

#include "res/strings.h"

namespace kr55le::qt {
namespace {

struct FilterCase {
  std::string_view win32;
  std::string_view qt;
};

class FileFilterConversion : public testing::TestWithParam<FilterCase> {};

TEST_P(FileFilterConversion, GivesQtsForm) {
  EXPECT_EQ(ToQtFileFilter(GetParam().win32), GetParam().qt);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileFilterConversion,
    testing::Values(FilterCase{text::kOpenDialogFilter, "Bin Files: (*.bin)"},
                    FilterCase{"Bin Files|*.bin|", "Bin Files (*.bin)"},
                    FilterCase{"Bin Files|*.bin", "Bin Files (*.bin)"},
                    FilterCase{"Images|*.png;*.jpg|", "Images (*.png *.jpg)"},
                    FilterCase{"Images (*.png;*.jpg)|*.png;*.jpg|", "Images (*.png *.jpg)"},
                    FilterCase{"Bin|*.bin|All Files (*.*)|*.*|", "Bin (*.bin);;All Files (*.*)"},
                    FilterCase{"Bin|*.bin|Orphan label|", "Bin (*.bin)"},
                    FilterCase{"No pattern||Bin|*.bin|", "Bin (*.bin)"},
                    FilterCase{"|*.bin|", "(*.bin)"}, FilterCase{"", ""}));

}  // namespace
}  // namespace kr55le::qt
