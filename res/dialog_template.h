// The main dialog's template as data: the 19 template controls in tab and Z order, the dialog's
// size, title and font, and the four controls the dialog creates at run time. Platform-free:
// the Qt window lays itself out from it, and the Win32 window assembles a real dialog template
// from the same rows (platform/win32/dialog_template_builder.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>

#include "res/controls.h"
#include "res/text.h"

namespace kr55le::dialog_template {

inline constexpr int kTemplateId = 102;
inline constexpr int kIconId = 128;
inline constexpr std::size_t kTemplateControlCount = 19;
inline constexpr std::size_t kRunTimeControlCount = 4;

enum class ControlClass { Button, Edit, Static, ListBox, ComboBox, ProgressBar };

// Window and control styles, named after what they do rather than the Win32 flag they stand for
// (given beside each).
enum class Style : std::uint8_t {
  Child,                 // WS_CHILD
  Visible,               // WS_VISIBLE
  Disabled,              // WS_DISABLED
  TabStop,               // WS_TABSTOP
  Group,                 // WS_GROUP
  Border,                // WS_BORDER
  VerticalScrollBar,     // WS_VSCROLL
  PushButton,            // BS_PUSHBUTTON
  Notify,                // BS_NOTIFY, LBS_NOTIFY
  GroupBox,              // BS_GROUPBOX
  SimpleCombo,           // CBS_SIMPLE: an edit field over an always-open list
  Sorted,                // CBS_SORT, LBS_SORT
  NoIntegralHeight,      // LBS_NOINTEGRALHEIGHT
  AlignLeft,             // SS_LEFT, ES_LEFT
  Centered,              // SS_CENTER, ES_CENTER
  ReadOnly,              // ES_READONLY
  Multiline,             // ES_MULTILINE
  Uppercase,             // ES_UPPERCASE
  Lowercase,             // ES_LOWERCASE
  AutoHorizontalScroll,  // ES_AUTOHSCROLL
  AutoVerticalScroll,    // ES_AUTOVSCROLL
  OemConvert,            // ES_OEMCONVERT
  Smooth,                // PBS_SMOOTH
  // The dialog window itself.
  Popup,          // WS_POPUP
  Caption,        // WS_CAPTION
  SystemMenu,     // WS_SYSMENU
  MinimizeBox,    // WS_MINIMIZEBOX
  MaximizeBox,    // WS_MAXIMIZEBOX
  ModalFrame,     // DS_MODALFRAME
  SetFont,        // DS_SETFONT
  AppWindow,      // WS_EX_APPWINDOW
  ControlParent,  // WS_EX_CONTROLPARENT
};

class StyleSet {
 public:
  constexpr StyleSet() = default;
  constexpr StyleSet(std::initializer_list<Style> styles) {
    for (Style style : styles) bits_ |= Bit(style);
  }
  constexpr bool Has(Style style) const { return (bits_ & Bit(style)) != 0; }
  constexpr std::uint64_t Bits() const { return bits_; }
  constexpr bool operator==(const StyleSet&) const = default;

 private:
  static constexpr std::uint64_t Bit(Style style) {
    return std::uint64_t{1} << static_cast<unsigned>(style);
  }
  std::uint64_t bits_ = 0;
};

struct DialogUnitRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  constexpr bool operator==(const DialogUnitRect&) const = default;
};

// Pixels of the dialog's client area; right and bottom lie just outside the rectangle.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool operator==(const PixelRect&) const = default;
};

struct TemplateControl {
  int id = kIdStatic;
  std::optional<Control> control;  // nothing for the static captions and the group box
  ControlClass controlClass = ControlClass::Static;
  Text text = "";  // shown in the language chosen
  DialogUnitRect rect;
  StyleSet styles;                   // WS_CHILD included
  std::optional<Control> captionOf;  // a static caption: the control it stands beside
};

struct RunTimeControl {
  Control control = Control::PathEdit;
  int id = 0;
  ControlClass controlClass = ControlClass::Edit;
  PixelRect rect;  // not scaled: the dialog creates these in pixels
  StyleSet styles;
};

struct DialogFont {
  std::string_view face;
  int pointSize = 0;
  int weight = 0;
  bool italic = false;
  int characterSet = 0;
};

inline constexpr DialogUnitRect kDialogRect{0, 0, 483, 175};
inline constexpr StyleSet kDialogStyles{
    Style::Popup,       Style::Visible,     Style::Caption,    Style::SystemMenu,
    Style::MinimizeBox, Style::MaximizeBox, Style::ModalFrame, Style::SetFont,
};
inline constexpr StyleSet kDialogExtendedStyles{Style::AppWindow, Style::ControlParent};
inline constexpr DialogFont kDialogFont{"MS Sans Serif", 8, 400, false, 0};

// A dialog unit at the usual metrics of the dialog's font: 6 / 4 pixels wide, 13 / 8 high. The
// font's average character is 4 horizontal and its height 8 vertical units.
inline constexpr double kPixelsPerHorizontalUnit = 1.5;
inline constexpr double kPixelsPerVerticalUnit = 1.625;
inline constexpr int kHorizontalUnitsPerCharacter = 4;
inline constexpr int kVerticalUnitsPerCharacter = 8;

std::string_view DialogTitle();
std::span<const TemplateControl> TemplateControls();
std::span<const RunTimeControl> RunTimeControls();

// Whether a control starts enabled when the window is created: its template row says so
// (WS_DISABLED); the run-time controls all start enabled.
bool StartsEnabled(Control control);

// Converts each of x, y, width and height on its own, rounding halves away from zero, as the
// platform's dialog manager does (MulDiv); so a control's width does not depend on its place.
int HorizontalUnitsToPixels(int units);
int VerticalUnitsToPixels(int units);
PixelRect ToPixels(const DialogUnitRect& rect);

// The pixels the run-time rectangles are given in are those of a 96-DPI screen; on another, each
// edge scales by its DPI over 96, as the template's controls do with the dialog font.
inline constexpr int kDesignDpi = 96;
PixelRect ScaleToDpi(const PixelRect& rect, int dpi);

}  // namespace kr55le::dialog_template
