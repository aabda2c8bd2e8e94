#include "res/accessible_names.h"

#include <optional>

#include "res/dialog_template.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr std::string_view kCaptionTrail = " :";

std::optional<std::string_view> CaptionOf(Control control) {
  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    if (row.captionOf == control) return row.text;
  }
  return std::nullopt;
}

std::string_view WithoutTrail(std::string_view caption) {
  const std::size_t end = caption.find_last_not_of(kCaptionTrail);
  return end == std::string_view::npos ? std::string_view() : caption.substr(0, end + 1);
}

}  // namespace

std::string_view AccessibleName(Control control) {
  if (const std::optional<std::string_view> caption = CaptionOf(control)) {
    return WithoutTrail(*caption);
  }
  switch (control) {
    case Control::DevicePathList:
      return text::kNameDevicePaths;
    case Control::PathEdit:
      return text::kNameImagePath;
    case Control::PercentEdit:
      return text::kNamePercent;
    case Control::ProgressBar:
      return text::kNameProgress;
    default:
      return {};
  }
}

bool CaptionPrecedes(Control control) {
  const dialog_template::TemplateControl* nearestStatic = nullptr;
  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    if (row.control == control) {
      return nearestStatic != nullptr && nearestStatic->captionOf == control;
    }
    if (row.controlClass == dialog_template::ControlClass::Static) nearestStatic = &row;
  }
  return false;  // a run-time control comes after every static of the template
}

std::string StatusLineName(std::string_view status) {
  std::string name(AccessibleName(Control::MessageEdit));
  if (!status.empty()) name.append(text::kStatusNameSeparator).append(status);
  return name;
}

}  // namespace kr55le
