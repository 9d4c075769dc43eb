// The main window: the state of both databases, the import checklist, progress, the log,
// and the start-up sequence that connects both databases.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <memory>
#include <string>

#include "app/LicenseDatabase.h"
#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoQuery.h"

class IDialogs;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TLogListBox;

// Status label colours.
inline const QColor clGreen(0, 128, 0);
inline const QColor clRed(255, 0, 0);

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // programFile: the running program's full path (its version goes into the caption).
  TfrmMain(IDialogs& dialogs, std::string programFile,
           std::unique_ptr<ILicenseDatabase> licenseDatabase =
               std::make_unique<TUnavailableLicenseDatabase>(),
           QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The start-up sequence; raises when the program file has no version record (after both
  // connections were tried).
  void FormCreate();

  // Window operations.
  void AddLog(const QString& status, const QString& message);
  void SetServerStatus(const QString& text, const QColor& colour);
  void SetLicenseStatus(const QString& text, const QColor& colour);
  void ShowProgress(const QString& text, double percent);
  void UpdateSteps();

  // Settings and the two connections.
  void LoadSettings();
  void ConnectServer();
  void DisconnectServer();
  void ConnectLicenseDatabase();
  void DisconnectLicenseDatabase();

  // Event handlers.
  void edtServerPropertiesButtonClick();
  void edtLicDatabasePropertiesButtonClick();
  void btnImportClick();
  void Copylogtoclipboard1Click();
  void cxButton1Click();
  void ListViewSelectItem();

  // The log as the clipboard receives it.
  QString LogClipboardText() const;
  // The image index of each row of the steps list.
  QList<int> StepImageIndexes() const;
  double ProgressPosition() const { return progressPosition_; }
  bool Imported() const { return FImported; }

  // Controls.
  QTabWidget* PageControl;
  QLineEdit* edtLicDatabase;
  QPushButton* btnChooseDatabase;
  QLabel* lbLicenseStatus;
  QLineEdit* edtServer;
  QPushButton* btnChooseServer;
  QLabel* lbServerStatus;
  QTreeWidget* ListView;
  QProgressBar* ProgressBar;
  QLabel* lbNote;
  QPushButton* btnImport;
  TLogListBox* lbLog;
  QMenu* PopupMenu;
  QPushButton* cxButton1;

  // Non-visual components.
  std::unique_ptr<ILicenseDatabase> VexDatabase;
  TADOConnection ADOConnection;
  TADOQuery ADOQuery{&ADOConnection};

 private:
  void BuildLayout();
  void AddStep(const QString& text, int image);
  void ImportLicenses();

  IDialogs& dialogs_;
  std::string programFile_;
  bool FImported = false;
  double progressPosition_ = 0;
};

// Puts the server name in for every "%ServerName%" of a template, in any letter case.
QString ReplaceServerName(QString text, const QString& name);

// Trims spaces and control characters at both ends.
QString TrimText(const QString& text);
