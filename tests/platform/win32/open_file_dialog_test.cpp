#include "platform/win32/open_file_dialog.h"

#include <gtest/gtest.h>

#include "res/strings.h"

namespace kr55le::win32 {
namespace {

using namespace std::string_literals;

TEST(OpenFileDialogTest, FilterBecomesZeroSeparatedPairsEndingInTwoZeros) {
  struct Case {
    std::string_view filter;
    std::string system;
  };
  const Case cases[] = {
      {text::kOpenDialogFilter, "Bin Files: (*.bin)\0*.bin\0\0"s},
      {"All|*.*", "All\0*.*\0\0"s},
      {"", "\0\0"s},
  };
  for (const Case& c : cases) EXPECT_EQ(ToSystemFilter(c.filter), c.system) << c.filter;
}

}  // namespace
}  // namespace kr55le::win32
