// Everything the tool asks of the user in a modal window: message boxes, the database file
// chooser and the server-name dialog. The window talks to this one interface, so tests
// answer it without a person.
#pragma once

#include <QString>
#include <optional>

class QWidget;
class TfrmServerDlg;

enum class TMsgDlgType { mtWarning, mtError, mtInformation };

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // A message box with one OK button.
  virtual void MessageDlg(const QString& text, TMsgDlgType type) = 0;
  // The database chooser: the chosen full file name, or nothing when cancelled.
  virtual std::optional<QString> ChooseDatabase() = 0;
  // The server-name dialog: its edit text when closed with OK, nothing on Cancel.
  virtual std::optional<QString> AskServerName() = 0;
};

// The real dialogs: Qt message boxes, the file chooser, and the server-name dialog that the
// program creates at start.
class TQtDialogs : public IDialogs {
 public:
  explicit TQtDialogs(QWidget* parent) : parent_(parent) {}
  void SetServerDialog(TfrmServerDlg* dialog) { serverDialog_ = dialog; }

  void MessageDlg(const QString& text, TMsgDlgType type) override;
  std::optional<QString> ChooseDatabase() override;
  std::optional<QString> AskServerName() override;

 private:
  QWidget* parent_;
  TfrmServerDlg* serverDialog_ = nullptr;
};
