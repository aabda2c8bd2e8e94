#include "platform/win32/template_styles.h"

#include <commctrl.h>

namespace kr55le::win32 {
namespace {

using dialog_template::ControlClass;
using dialog_template::Style;
using dialog_template::StyleSet;

constexpr DWORD kNoBits = 0;

// Bits that mean the same for every window.
DWORD CommonBits(Style style) {
  switch (style) {
    case Style::Child:
      return WS_CHILD;
    case Style::Visible:
      return WS_VISIBLE;
    case Style::Disabled:
      return WS_DISABLED;
    case Style::TabStop:
      return WS_TABSTOP;
    case Style::Group:
      return WS_GROUP;
    case Style::Border:
      return WS_BORDER;
    case Style::VerticalScrollBar:
      return WS_VSCROLL;
    case Style::Popup:
      return WS_POPUP;
    case Style::Caption:
      return WS_CAPTION;
    case Style::SystemMenu:
      return WS_SYSMENU;
    case Style::MinimizeBox:
      return WS_MINIMIZEBOX;
    case Style::MaximizeBox:
      return WS_MAXIMIZEBOX;
    case Style::ModalFrame:
      return DS_MODALFRAME;
    case Style::SetFont:
      return DS_SETFONT;
    default:
      return kNoBits;
  }
}

DWORD ClassBits(ControlClass controlClass, Style style) {
  switch (controlClass) {
    case ControlClass::Button:
      if (style == Style::PushButton) return BS_PUSHBUTTON;
      if (style == Style::Notify) return BS_NOTIFY;
      if (style == Style::GroupBox) return BS_GROUPBOX;
      return kNoBits;
    case ControlClass::Edit:
      switch (style) {
        case Style::AlignLeft:
          return ES_LEFT;
        case Style::Centered:
          return ES_CENTER;
        case Style::ReadOnly:
          return ES_READONLY;
        case Style::Multiline:
          return ES_MULTILINE;
        case Style::Uppercase:
          return ES_UPPERCASE;
        case Style::Lowercase:
          return ES_LOWERCASE;
        case Style::AutoHorizontalScroll:
          return ES_AUTOHSCROLL;
        case Style::AutoVerticalScroll:
          return ES_AUTOVSCROLL;
        case Style::OemConvert:
          return ES_OEMCONVERT;
        default:
          return kNoBits;
      }
    case ControlClass::Static:
      if (style == Style::AlignLeft) return SS_LEFT;
      if (style == Style::Centered) return SS_CENTER;
      return kNoBits;
    case ControlClass::ListBox:
      if (style == Style::Notify) return LBS_NOTIFY;
      if (style == Style::Sorted) return LBS_SORT;
      if (style == Style::NoIntegralHeight) return LBS_NOINTEGRALHEIGHT;
      return kNoBits;
    case ControlClass::ComboBox:
      if (style == Style::SimpleCombo) return CBS_SIMPLE;
      if (style == Style::Sorted) return CBS_SORT;
      return kNoBits;
    case ControlClass::ProgressBar:
      return style == Style::Smooth ? PBS_SMOOTH : kNoBits;
  }
  return kNoBits;
}

constexpr auto kLastStyle = static_cast<unsigned>(Style::ControlParent);

template <typename BitsOf>
DWORD Collect(StyleSet styles, BitsOf bitsOf) {
  DWORD bits = 0;
  for (unsigned value = 0; value <= kLastStyle; ++value) {
    const auto style = static_cast<Style>(value);
    if (styles.Has(style)) bits |= bitsOf(style);
  }
  return bits;
}

}  // namespace

DWORD WindowStyle(ControlClass controlClass, StyleSet styles) {
  return Collect(styles, [controlClass](Style style) {
    return CommonBits(style) | ClassBits(controlClass, style);
  });
}

DWORD DialogWindowStyle(StyleSet styles) {
  return Collect(styles, CommonBits);
}

DWORD DialogExtendedStyle(StyleSet styles) {
  return Collect(styles, [](Style style) -> DWORD {
    if (style == Style::AppWindow) return WS_EX_APPWINDOW;
    if (style == Style::ControlParent) return WS_EX_CONTROLPARENT;
    return kNoBits;
  });
}

}  // namespace kr55le::win32
