#include "platform/qt/file_filter.h"

#include <algorithm>
#include <vector>

namespace kr55le::qt {

namespace {

constexpr char kFieldSeparator = '|';
constexpr char kWin32PatternSeparator = ';';
constexpr char kQtPatternSeparator = ' ';
constexpr std::string_view kQtEntrySeparator = ";;";

std::vector<std::string_view> SplitFields(std::string_view filter) {
  std::vector<std::string_view> fields;
  while (!filter.empty()) {
    const std::size_t end = filter.find(kFieldSeparator);
    fields.push_back(filter.substr(0, end));
    if (end == std::string_view::npos) break;
    filter.remove_prefix(end + 1);
  }
  return fields;
}

std::string_view WithoutTrailingPattern(std::string_view label, std::string_view pattern) {
  const std::string suffix = "(" + std::string(pattern) + ")";
  if (label.ends_with(suffix)) label.remove_suffix(suffix.size());
  while (label.ends_with(' ')) label.remove_suffix(1);
  return label;
}

std::string QtEntry(std::string_view label, std::string_view pattern) {
  std::string qtPattern(pattern);
  std::replace(qtPattern.begin(), qtPattern.end(), kWin32PatternSeparator, kQtPatternSeparator);
  std::string entry(WithoutTrailingPattern(label, pattern));
  if (!entry.empty()) entry += ' ';
  return entry + "(" + qtPattern + ")";
}

}  // namespace

std::string ToQtFileFilter(std::string_view filter) {
  const std::vector<std::string_view> fields = SplitFields(filter);
  std::string result;
  for (std::size_t index = 0; index + 1 < fields.size(); index += 2) {
    const std::string_view label = fields[index];
    const std::string_view pattern = fields[index + 1];
    if (pattern.empty()) continue;
    if (!result.empty()) result += kQtEntrySeparator;
    if (label.ends_with("(" + std::string(pattern) + ")") &&
        pattern.find(kWin32PatternSeparator) == std::string_view::npos) {
      result += label;  // already in Qt's form, wording and all
    } else {
      result += QtEntry(label, pattern);
    }
  }
  return result;
}

}  // namespace kr55le::qt
