#include "platform/qt/qt_dialog_host.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/qt/control_widgets.h"
#include "platform/qt/file_filter.h"
#include "platform/qt/local_file_name.h"
#include "res/dialog_template.h"
#include "res/names.h"

namespace kr55le::qt {
namespace {
constexpr char kLocalFileScheme[] = "file";  // the chooser offers local files only
}  // namespace

QtDialogHost::QtDialogHost(ControlModel& model, hid::HidServices* services, SystemHoldSource holds)
    : model_(model),
      window_(std::make_unique<DialogWindow>()),
      mirror_(model, *window_),
      holds_(std::move(holds)) {
  for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
    if (row.control) model_.Enable(*row.control, dialog_template::StartsEnabled(*row.control));
  }
  mirror_.ShowAll();
  model_.SetObserver([this](Control control) { mirror_.Show(control); });

  QObject::connect(window_.get(), &DialogWindow::CommandIssued, window_.get(),
                   [this](WindowCommand command) { Deliver(command); });

  QObject::connect(&timer_, &QTimer::timeout, window_.get(),
                   [this] { Post([](DialogMessages& dialog) { dialog.OnTimer(); }); });

  if (services != nullptr && services->NoticeDescriptor() >= 0) {
    noticeNotifier_ =
        std::make_unique<QSocketNotifier>(services->NoticeDescriptor(), QSocketNotifier::Read);
    QObject::connect(noticeNotifier_.get(), &QSocketNotifier::activated, window_.get(),
                     [services] { services->DispatchNotices(); });
  }
}

QtDialogHost::~QtDialogHost() {
  model_.SetObserver(nullptr);
}

int QtDialogHost::RunModal(DialogMessages& dialog) {
  dialog_ = &dialog;
  endRequested_ = false;
  result_ = 0;
  // The first scan runs inside OnInitDialog, so the window appears only once it has ended.
  dialog.OnInitDialog();
  if (!endRequested_) {
    window_->CentreOnScreen();
    window_->show();
    window_->activateWindow();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec();
    modalLoop_ = nullptr;
  }
  window_->hide();
  timer_.stop();  // as a window's timers go with it
  dialog_ = nullptr;
  return result_;
}

void QtDialogHost::PumpMessages() {
  // Input is turned into queued messages while events are processed, and a message posted
  // during one pass is delivered in the next; so go on until none is left.
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  } while (pendingMessages_.load(std::memory_order_acquire) > 0);
}

void QtDialogHost::EndDialog(int result) {
  result_ = result;
  endRequested_ = true;
  if (modalLoop_ != nullptr) modalLoop_->exit(result);
}

void QtDialogHost::MessageBeep(Beep beep) {
  // The theme's sound for the event; the bell where there is none (no sound server, no theme).
  if (!sounds_.Play(beep)) QApplication::beep();
}

void QtDialogHost::MessageBox(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(name::kApplicationName), ToQString(text),
                  QMessageBox::Ok, BoxParent());
  box.setTextFormat(Qt::PlainText);
  box.exec();  // its loop delivers queued messages, as the platform's box does
}

std::optional<std::string> QtDialogHost::OpenFileDialog(const OpenFileRequest& request) {
  // The default extension ("*.*") names no suffix to add, so Qt is given none. A URL rather
  // than a QString: the system's own chooser hands over names that are not UTF-8 intact.
  const QUrl chosen = QFileDialog::getOpenFileUrl(
      BoxParent(), ToQString(request.title), QUrl(), ToQString(ToQtFileFilter(request.filter)),
      nullptr, {}, {QString::fromLatin1(kLocalFileScheme)});
  return LocalFileName(chosen);
}

void QtDialogHost::PostDeviceChange(hid::DeviceChange change) {
  Post([change](DialogMessages& dialog) { dialog.OnDeviceChange(change); });
}

void QtDialogHost::SetTimer(std::chrono::milliseconds interval) {
  timer_.start(interval);
}

void QtDialogHost::KillTimer() {
  timer_.stop();
}

std::unique_ptr<SystemHold> QtDialogHost::HoldSystemAwake() {
  return holds_ ? holds_() : nullptr;
}

void QtDialogHost::ShowHint(std::string_view hint) {
  window_->Widget(Control::MessageEdit)->setToolTip(ToQString(hint));
}

void QtDialogHost::Post(Message message) {
  pendingMessages_.fetch_add(1, std::memory_order_release);
  QMetaObject::invokeMethod(
      window_.get(),
      [this, message = std::move(message)] {
        pendingMessages_.fetch_sub(1, std::memory_order_acq_rel);
        if (dialog_ != nullptr) message(*dialog_);  // none outside RunModal: dropped
      },
      Qt::QueuedConnection);
}

void QtDialogHost::Deliver(WindowCommand command) {
  switch (command) {
    case WindowCommand::BrowseFile:
      Post([](DialogMessages& dialog) { dialog.OnBrowseFile(); });
      break;
    case WindowCommand::Upgrade:
      Post([](DialogMessages& dialog) { dialog.OnUpgrade(); });
      break;
    case WindowCommand::CancelUpgrade:
      Post([](DialogMessages& dialog) { dialog.OnCancelUpgrade(); });
      break;
    case WindowCommand::Ok:
      Post([](DialogMessages& dialog) { dialog.OnOK(); });
      break;
    case WindowCommand::Cancel:
      Post([](DialogMessages& dialog) { dialog.OnCancel(); });
      break;
  }
}

QWidget* QtDialogHost::BoxParent() const {
  // A box raised before the window is shown (by the first scan) stands on its own.
  return window_->isVisible() ? window_.get() : nullptr;
}

}  // namespace kr55le::qt
