#include "platform/qt/dialog_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "platform/qt/control_widgets.h"
#include "res/accessible_names.h"
#include "res/dialog_template.h"

// Q_INIT_RESOURCE must be used outside any namespace; the icon lives in a static library, whose
// resource would otherwise never be registered.
static void RegisterIconResource() {
  Q_INIT_RESOURCE(kr55le_icon);
}

namespace kr55le::qt {

namespace {

constexpr std::array kIconSizes{16, 32, 48, 128};

QIcon ApplicationIcon() {
  RegisterIconResource();
  QIcon icon;
  for (int size : kIconSizes) {
    icon.addFile(QStringLiteral(":/icon/kr55le-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

QSize ClientSize() {
  const dialog_template::PixelRect client = dialog_template::ToPixels(dialog_template::kDialogRect);
  return QSize(client.Width(), client.Height());
}

bool IsEnterKey(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

}  // namespace

DialogWindow::DialogWindow() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(ToQString(dialog_template::DialogTitle()));
  setWindowIcon(ApplicationIcon());
  setFixedSize(ClientSize());

  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    QWidget* widget = CreateTemplateWidget(row, this);
    templateWidgets_.push_back(widget);
    if (row.control) controls_[static_cast<std::size_t>(*row.control)] = widget;
  }
  for (const dialog_template::RunTimeControl& row : dialog_template::RunTimeControls()) {
    QWidget* widget = CreateRunTimeWidget(row, this);
    runTimeWidgets_.push_back(widget);
    controls_[static_cast<std::size_t>(row.control)] = widget;
  }

  NameControls();
  ConnectButton(Control::BrowseButton, WindowCommand::BrowseFile);
  ConnectButton(Control::UpgradeButton, WindowCommand::Upgrade);
  ConnectButton(Control::CancelButton, WindowCommand::CancelUpgrade);
}

QWidget* DialogWindow::Widget(Control control) const {
  return controls_[static_cast<std::size_t>(control)];
}

void DialogWindow::CentreOnScreen() {
  // The template stands at (0, 0), and the platform's dialog framework centres such a window.
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void DialogWindow::reject() {
  emit CommandIssued(WindowCommand::Cancel);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit CommandIssued(WindowCommand::Cancel);
    return;
  }
  if (!IsEnterKey(event)) {
    QDialog::keyPressEvent(event);
    return;
  }
  // A focused push button takes Enter as its own click. Otherwise Enter is the OK command,
  // whose identifier belongs to PathEdit: it goes out only while PathEdit is enabled.
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
    if (button->isEnabled()) button->click();
    return;
  }
  if (Widget(Control::PathEdit)->isEnabled()) emit CommandIssued(WindowCommand::Ok);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  event->ignore();  // only the dialog ends itself, through its host
  emit CommandIssued(WindowCommand::Cancel);
}

void DialogWindow::NameControls() {
  // Each caption labels its field (a screen reader's "labelled by"), and every control takes its
  // name from the same table, so the name does not hang on how a reader follows that relation.
  const std::span<const dialog_template::TemplateControl> rows =
      dialog_template::TemplateControls();
  for (std::size_t index = 0; index < rows.size(); ++index) {
    auto* label = qobject_cast<QLabel*>(templateWidgets_[index]);
    if (label != nullptr && rows[index].captionOf) label->setBuddy(Widget(*rows[index].captionOf));
  }
  for (Control control : kAllControls) {
    const std::string_view name = AccessibleName(control);
    if (!name.empty()) Widget(control)->setAccessibleName(ToQString(name));
  }
}

void DialogWindow::ConnectButton(Control control, WindowCommand command) {
  auto* button = qobject_cast<QPushButton*>(Widget(control));
  if (button == nullptr) return;
  connect(button, &QPushButton::clicked, this, [this, command] { emit CommandIssued(command); });
}

}  // namespace kr55le::qt
