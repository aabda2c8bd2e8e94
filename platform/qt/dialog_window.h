// The main dialog's window: built from the dialog template, it turns the keyboard interface of a
// dialog (Enter, Escape), the close box and the button clicks into commands for its host.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "res/controls.h"

class QCloseEvent;
class QKeyEvent;

namespace kr55le::qt {

enum class WindowCommand { BrowseFile, Upgrade, CancelUpgrade, Ok, Cancel };

class DialogWindow final : public QDialog {
  Q_OBJECT

 public:
  DialogWindow();

  // The widget of a control: QComboBox, QListWidget, QPushButton, QLineEdit, QPlainTextEdit
  // (PathEdit) or QProgressBar.
  QWidget* Widget(Control control) const;
  // Every template control's widget, in template order (captions and the group box included).
  const std::vector<QWidget*>& TemplateWidgets() const { return templateWidgets_; }
  // The four run-time controls' widgets, in creation order.
  const std::vector<QWidget*>& RunTimeWidgets() const { return runTimeWidgets_; }

  void CentreOnScreen();

 signals:
  void CommandIssued(kr55le::qt::WindowCommand command);

 public slots:
  void reject() override;  // the Cancel command; the window never closes itself

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void NameControls();
  void ConnectButton(Control control, WindowCommand command);

  std::array<QWidget*, kControlCount> controls_{};
  std::vector<QWidget*> templateWidgets_;
  std::vector<QWidget*> runTimeWidgets_;
};

}  // namespace kr55le::qt
