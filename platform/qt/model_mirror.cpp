#include "platform/qt/model_mirror.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <algorithm>

#include "platform/qt/control_widgets.h"
#include "res/accessible_names.h"
#include "res/names.h"

namespace kr55le::qt {

namespace {

QStringList ToQStringList(const std::vector<std::string>& items) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) list.append(ToQString(item));
  return list;
}

QStringList ComboEntries(const QComboBox& combo) {
  QStringList list;
  for (int index = 0; index < combo.count(); ++index) list.append(combo.itemText(index));
  return list;
}

QStringList ListEntries(const QListWidget& list) {
  QStringList entries;
  for (int row = 0; row < list.count(); ++row) entries.append(list.item(row)->text());
  return entries;
}

}  // namespace

QString ToEditorLineBreaks(std::string_view text) {
  QString converted = ToQString(text);
  converted.replace(ToQString(name::kPathLineBreak), QStringLiteral("\n"));
  return converted;
}

std::string ToModelLineBreaks(const QString& text) {
  QString converted = text;
  converted.replace(QStringLiteral("\n"), ToQString(name::kPathLineBreak));
  return converted.toStdString();
}

ModelMirror::ModelMirror(ControlModel& model, DialogWindow& window)
    : model_(model), window_(window) {
  ConnectUserEdits();
}

void ModelMirror::ShowAll() {
  for (Control control : kAllControls) Show(control);
}

void ModelMirror::Show(Control control) {
  showing_ = true;
  window_.Widget(control)->setEnabled(model_.IsEnabled(control));
  switch (ContentOf(control)) {
    case ControlContent::Entries:
      ShowEntries(control);
      break;
    case ControlContent::Progress:
      ShowProgress();
      break;
    case ControlContent::Caption:
      break;
    case ControlContent::Text:
      ShowText(control);
      break;
  }
  showing_ = false;
}

void ModelMirror::ShowEntries(Control control) {
  const QStringList entries = ToQStringList(model_.Items(control));
  const int selection = model_.GetCurSel(control);
  if (auto* combo = qobject_cast<QComboBox*>(window_.Widget(control))) {
    const QSignalBlocker blocker(combo);
    if (ComboEntries(*combo) != entries) {
      combo->clear();
      combo->addItems(entries);
    }
    // The edit field shows the model's text: the selected entry, or a text of its own that
    // the data exchange put there, which a drop-down can show only as its placeholder.
    const QString text = ToQString(model_.Text(control));
    const bool showsEntry = selection != kNoSelection && combo->itemText(selection) == text;
    combo->setCurrentIndex(showsEntry ? selection : kNoSelection);
    combo->setPlaceholderText(showsEntry ? QString() : text);
  } else if (auto* list = qobject_cast<QListWidget*>(window_.Widget(control))) {
    const QSignalBlocker blocker(list);
    if (ListEntries(*list) != entries) {
      list->clear();
      list->addItems(entries);
    }
    list->setCurrentRow(selection);
  }
}

void ModelMirror::ShowText(Control control) {
  QWidget* widget = window_.Widget(control);
  if (auto* editor = qobject_cast<QPlainTextEdit*>(widget)) {
    const QString text = ToEditorLineBreaks(model_.Text(control));
    if (editor->toPlainText() != text) editor->setPlainText(text);  // a user's edit echoes back
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    const QString text = ToQString(model_.Text(control));
    if (control == Control::MessageEdit && edit->text() != text) {
      // A changed name is what a screen reader speaks of a line that does not have the focus.
      edit->setAccessibleName(ToQString(StatusLineName(model_.Text(control))));
    }
    edit->setText(text);
    edit->setCursorPosition(0);  // a long text shows from its first character
  }
}

void ModelMirror::ShowProgress() {
  auto* bar = qobject_cast<QProgressBar*>(window_.Widget(Control::ProgressBar));
  const int minimum = model_.RangeMinimum();
  // An empty range would make Qt's bar a busy indicator; the platform's just stays empty.
  const int maximum = std::max(model_.RangeMaximum(), minimum + 1);
  bar->setRange(minimum, maximum);
  bar->setValue(std::clamp(model_.GetPos(), minimum, maximum));
}

void ModelMirror::ConnectUserEdits() {
  auto* path = qobject_cast<QPlainTextEdit*>(window_.Widget(Control::PathEdit));
  QObject::connect(path, &QPlainTextEdit::textChanged, path, [this, path] {
    if (!showing_) model_.SetText(Control::PathEdit, ToModelLineBreaks(path->toPlainText()));
  });
  auto* combo = qobject_cast<QComboBox*>(window_.Widget(Control::DeviceCombo));
  // A new selection only changes the control; the next scan reads it.
  QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [this](int index) {
    if (!showing_) model_.SetCurSel(Control::DeviceCombo, index);
  });
}

}  // namespace kr55le::qt
