// The real modal dialogs.
#include "app/Dialogs.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "app/uFrmServer.h"

void TQtDialogs::MessageDlg(const QString& text, TMsgDlgType type) {
  QMessageBox box(parent_);
  box.setWindowTitle(type == TMsgDlgType::mtError     ? "Error"
                     : type == TMsgDlgType::mtWarning ? "Warning"
                                                      : "Information");
  box.setIcon(type == TMsgDlgType::mtError     ? QMessageBox::Critical
              : type == TMsgDlgType::mtWarning ? QMessageBox::Warning
                                               : QMessageBox::Information);
  box.setText(text);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

std::optional<QString> TQtDialogs::ChooseDatabase() {
  // Initial name "swdb.vex"; the chosen file must exist.
  QFileDialog dialog(parent_);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({"Database (*.vex)", "All Files (*)"});
  dialog.setDefaultSuffix("vex");
  dialog.selectFile("swdb.vex");
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> TQtDialogs::AskServerName() {
  if (!serverDialog_) return std::nullopt;
  if (serverDialog_->exec() != QDialog::Accepted) return std::nullopt;
  return serverDialog_->edtServer->text();
}
