// The server-name dialog: one edit for the name of the Tallyon Server, OK and Cancel. It is
// created once at start and keeps its text between showings.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TfrmServerDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmServerDlg(QWidget* parent = nullptr);

  QLineEdit* edtServer;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
};
