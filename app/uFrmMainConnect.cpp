// The main window's settings and the connections to both databases.
#include <QLineEdit>

#include "app/Dialogs.h"
#include "app/Registry.h"
#include "app/brTallyon_DB_JET_SQL.h"
#include "app/uFrmMain.h"
#include "platform/Exception.h"
#include "platform/UncPath.h"

namespace {

const QString kServerFileTemplate = "\\\\%ServerName%\\Dudir$\\tyx.mdb";
const QString kConnectionTemplate =
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\\\\%ServerName%\\Dudir$\\tyx.mdb;Persist "
    "Security Info=False";
constexpr int kMinimumDBVersion = 6;

}  // namespace

QString ReplaceServerName(QString text, const QString& name) {
  return text.replace("%ServerName%", name, Qt::CaseInsensitive);
}

namespace {

// Closes the query when the scope ends, also on an exception.
struct QueryCloser {
  TADOQuery& query;
  ~QueryCloser() { query.Close(); }
};

}  // namespace

void TfrmMain::LoadSettings() {
  TRegistry registry;
  try {
    if (!registry.KeyExists("Software\\Brackwater\\Tallyon")) {
      edtServer->setText(QString());
      edtLicDatabase->setText(QString());
    } else {
      registry.OpenKeyReadOnly("Software\\Brackwater\\Tallyon");
      edtServer->setText(registry.ReadString("DataServer"));
      registry.CloseKey();
      if (!registry.KeyExists("Software\\Brackwater\\Tallyon\\Vivirav Irarude")) {
        edtLicDatabase->setText(QString());
      } else {
        registry.OpenKeyReadOnly("Software\\Brackwater\\Tallyon\\Vivirav Irarude");
        edtLicDatabase->setText(registry.ReadString("DataBase"));
        QString probe = registry.ReadString("ProbeServer");
        if (!TrimText(probe).isEmpty()) edtServer->setText(probe);
      }
    }
  } catch (const Exception&) {
    // A value that cannot be read ends the reading silently; the edits keep what was set.
  }
  registry.CloseKey();
}

void TfrmMain::DisconnectServer() {
  if (ADOConnection.Connected()) {
    ADOConnection.Close();
    AddLog("OK", "Tallyon Server Database disconnected");
  }
  SetServerStatus("Disconnected", clRed);
  UpdateSteps();
}

void TfrmMain::ConnectServer() {
  FImported = false;
  DisconnectServer();
  const QString name = TrimText(edtServer->text());
  if (name.isEmpty()) return;
  const QString path = ReplaceServerName(kServerFileTemplate, name);
  if (!FileExists(path.toStdString())) {
    SetServerStatus("The Database could not be found. Check the Tallyon Server version.", clRed);
    AddLog("ERROR", "Database file not found : " + path);
    return;
  }
  try {
    try {
      ADOConnection.SetConnectionString(ReplaceServerName(kConnectionTemplate, name).toStdString());
      ADOConnection.Open();
    } catch (const Exception&) {
      SetServerStatus("Disconnected", clRed);
      throw;
    }
    SetServerStatus("Connected", clGreen);
    AddLog("OK", "Database connected : " + path);

    int64_t version = 0;
    {
      ADOQuery.SetSQLText(SqlSelectDBVersion());
      QueryCloser closer{ADOQuery};
      ADOQuery.Open();
      if (!ADOQuery.Eof()) version = ADOQuery.FieldByName("Version").AsInteger();
    }
    const QString v = QString::number(version);
    if (version >= kMinimumDBVersion) {
      SetServerStatus("Connected, database version : " + v, clGreen);
      AddLog("OK", "Tallyon database version : " + v);
    } else {
      const QString required = QString::number(kMinimumDBVersion);
      DisconnectServer();
      SetServerStatus("Database version too low " + v + " require " + required, clRed);
      AddLog("ERROR", "Tallyon database version too low.  Database version : " + v + " require " +
                          required + ".");
    }
  } catch (const Exception& e) {
    const QString message = QString::fromStdString(e.Message());
    AddLog("ERROR", "Tallyon Database error : " + message);
    dialogs_.MessageDlg(
        "The following database error was encountered while connecting to the Tallyon Server : "
        "\r\n" +
            message,
        TMsgDlgType::mtError);
  }
  UpdateSteps();
}

void TfrmMain::DisconnectLicenseDatabase() {
  if (VexDatabase->Connected()) {
    VexDatabase->Close();
    AddLog("OK", "Vivirav Irarude Database disconnected");
  }
  SetLicenseStatus("Disconnected", clRed);
  UpdateSteps();
}

void TfrmMain::ConnectLicenseDatabase() {
  FImported = false;
  DisconnectLicenseDatabase();
  const QString path = TrimText(edtLicDatabase->text());
  if (path.isEmpty()) return;
  if (!FileExists(path.toStdString())) {
    SetLicenseStatus("The Vivirav Irarude Database could not be found.", clRed);
    AddLog("ERROR", "Database file not found : " + path);
    return;
  }
  try {
    try {
      VexDatabase->SetFileName(path.toStdString());
      VexDatabase->Open();
    } catch (const Exception&) {
      SetLicenseStatus("Disconnected", clRed);
      throw;
    }
    if (VexDatabase->Connected()) {
      SetLicenseStatus("Connected", clGreen);
      AddLog("OK", "Database connected : " + path);
    } else {
      SetLicenseStatus("Disconnected", clRed);
    }
  } catch (const Exception& e) {
    const QString message = QString::fromStdString(e.Message());
    AddLog("ERROR", "Vivirav Irarude Database error : " + message);
    dialogs_.MessageDlg(
        "The following database error was encountered while opening the Vivirav Irarude "
        "database : \r\n" +
            message,
        TMsgDlgType::mtError);
  }
  UpdateSteps();
}

void TfrmMain::edtServerPropertiesButtonClick() {
  if (std::optional<QString> name = dialogs_.AskServerName()) {
    edtServer->setText(*name);
    ConnectServer();
  }
}

void TfrmMain::edtLicDatabasePropertiesButtonClick() {
  if (std::optional<QString> file = dialogs_.ChooseDatabase()) {
    edtLicDatabase->setText(*file);
    ConnectLicenseDatabase();
  }
}
