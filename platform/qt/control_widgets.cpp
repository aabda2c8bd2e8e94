#include "platform/qt/control_widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace kr55le::qt {

namespace {

using dialog_template::ControlClass;
using dialog_template::RunTimeControl;
using dialog_template::Style;
using dialog_template::StyleSet;
using dialog_template::TemplateControl;

// The letters over which the platform averages a font's character width for its dialog units.
const QString kAverageWidthSample =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

// A multi-line edit inside a dialog, as the platform's: Enter is the dialog's OK command (no
// line break), Ctrl+Enter breaks the line, Tab moves the focus.
class PathTextEdit final : public QPlainTextEdit {
 public:
  explicit PathTextEdit(QWidget* parent) : QPlainTextEdit(parent) { setTabChangesFocus(true); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::ControlModifier)) {
      event->ignore();  // goes on to the dialog
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
};

Qt::FocusPolicy FocusFor(const StyleSet& styles) {
  return styles.Has(Style::TabStop) ? Qt::StrongFocus : Qt::ClickFocus;
}

// Read-only edits draw on the dialog's face, as the platform's do, so they read as fields that
// cannot be typed into.
void UseFaceAsBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  widget->setPalette(palette);
}

QLineEdit* CreateLineEdit(const StyleSet& styles, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setReadOnly(styles.Has(Style::ReadOnly));
  edit->setFrame(styles.Has(Style::Border));
  edit->setAlignment((styles.Has(Style::Centered) ? Qt::AlignHCenter : Qt::AlignLeft) |
                     Qt::AlignVCenter);
  if (edit->isReadOnly()) UseFaceAsBackground(edit);
  return edit;
}

QWidget* CreateButton(const TemplateControl& row, QWidget* parent) {
  if (row.styles.Has(Style::GroupBox)) return new QGroupBox(ToQString(row.text), parent);
  auto* button = new QPushButton(ToQString(row.text), parent);
  button->setAutoDefault(false);  // none of the buttons is a default button
  button->setDefault(false);
  return button;
}

QWidget* CreateStatic(const TemplateControl& row, QWidget* parent) {
  auto* label = new QLabel(ToQString(row.text), parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment((row.styles.Has(Style::Centered) ? Qt::AlignHCenter : Qt::AlignLeft) |
                      Qt::AlignTop);
  return label;
}

QWidget* CreateComboBox(QWidget* parent) {
  // Only the edit field of the simple combo box shows, so a drop-down that lists the entries
  // on demand stands for it; its entries come from the model.
  auto* combo = new QComboBox(parent);
  combo->setEditable(false);
  return combo;
}

QWidget* CreateListBox(const TemplateControl& row, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setFrameShape(row.styles.Has(Style::Border) ? QFrame::StyledPanel : QFrame::NoFrame);
  return list;
}

QWidget* CreateTemplateClass(const TemplateControl& row, QWidget* parent) {
  switch (row.controlClass) {
    case ControlClass::Button:
      return CreateButton(row, parent);
    case ControlClass::Edit:
      return CreateLineEdit(row.styles, parent);
    case ControlClass::Static:
      return CreateStatic(row, parent);
    case ControlClass::ListBox:
      return CreateListBox(row, parent);
    case ControlClass::ComboBox:
      return CreateComboBox(parent);
    case ControlClass::ProgressBar:
      return new QProgressBar(parent);
  }
  return new QWidget(parent);
}

// The template's upper- and lower-case styles are left out on purpose: Linux file names are
// case-sensitive, so the path stays exactly as typed.
QWidget* CreatePathEdit(QWidget* parent) {
  auto* edit = new PathTextEdit(parent);
  edit->setFrameShape(QFrame::NoFrame);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);  // long lines scroll sideways
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return edit;
}

QWidget* CreateProgressBar(QWidget* parent) {
  auto* bar = new QProgressBar(parent);
  bar->setTextVisible(false);
  bar->setValue(bar->minimum());
  return bar;
}

}  // namespace

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(const dialog_template::PixelRect& rect) {
  return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

double AverageCharacterWidth(const QFont& font) {
  return QFontMetricsF(font).horizontalAdvance(kAverageWidthSample) / kAverageWidthSample.size();
}

QFont TemplateFont() {
  QFont font = QApplication::font();
  font.setPointSizeF(dialog_template::kDialogFont.pointSize);
  // The template was laid out for a font whose average character is four horizontal units
  // wide; most sans faces are wider at 8 pt, so shrink to that width or the captions clip.
  const double designedWidth =
      dialog_template::kHorizontalUnitsPerCharacter * dialog_template::kPixelsPerHorizontalUnit;
  const double averageWidth = AverageCharacterWidth(font);
  if (averageWidth > designedWidth) {
    font.setPointSizeF(font.pointSizeF() * designedWidth / averageWidth);
  }
  return font;
}

QWidget* CreateTemplateWidget(const TemplateControl& row, QWidget* parent) {
  QWidget* widget = CreateTemplateClass(row, parent);
  if (row.id != kIdStatic) widget->setObjectName(QStringLiteral("control%1").arg(row.id));
  widget->setFont(TemplateFont());
  widget->setGeometry(ToQRect(dialog_template::ToPixels(row.rect)));
  if (row.controlClass != ControlClass::Static && row.controlClass != ControlClass::ProgressBar &&
      !row.styles.Has(Style::GroupBox)) {
    widget->setFocusPolicy(FocusFor(row.styles));
  }
  widget->setEnabled(!row.styles.Has(Style::Disabled));
  // A control the template never shows is a window of its own that never opens: kept by its
  // parent, but out of the dialog's accessibility tree and its Tab order.
  if (!row.styles.Has(Style::Visible)) widget->setWindowFlag(Qt::Window);
  return widget;
}

QWidget* CreateRunTimeWidget(const RunTimeControl& row, QWidget* parent) {
  QWidget* widget = nullptr;
  if (row.controlClass == ControlClass::ProgressBar) {
    widget = CreateProgressBar(parent);
  } else if (row.styles.Has(Style::Multiline)) {
    widget = CreatePathEdit(parent);
    widget->setFocusPolicy(FocusFor(row.styles));
  } else {
    widget = CreateLineEdit(row.styles, parent);
    widget->setFocusPolicy(FocusFor(row.styles));
  }
  widget->setObjectName(QStringLiteral("runtime%1").arg(static_cast<int>(row.control)));
  widget->setGeometry(ToQRect(row.rect));
  if (!row.styles.Has(Style::Visible)) widget->hide();
  return widget;
}

}  // namespace kr55le::qt
