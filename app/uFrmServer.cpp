// The server-name dialog.
#include "app/uFrmServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmServerDlg::TfrmServerDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Tallyon Server");
  setFixedSize(233, 93);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* label = new QLabel("Enter Server Name:", this);
  label->setGeometry(8, 8, 217, 16);
  edtServer = new QLineEdit(this);
  edtServer->setGeometry(8, 28, 217, 22);
  OKBtn = new QPushButton("OK", this);
  OKBtn->setGeometry(69, 60, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setGeometry(150, 60, 75, 25);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}
