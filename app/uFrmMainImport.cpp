// The import: every licence of the Vivirav Irarude database with its title rows is copied
// into the Tallyon Server database in one server transaction; a licence whose name the server
// already has (letter case ignored) is skipped with a warning.
#include <QApplication>
#include <QPushButton>
#include <vector>

#include "app/Dialogs.h"
#include "app/brTallyon_DB_JET_SQL.h"
#include "app/uFrmMain.h"
#include "platform/Exception.h"

namespace {

const char kIdListSql[] = "SELECT fLicenseID FROM tLicense;";
const char kLicenseWithTitlesSql[] =
    "SELECT * FROM tLicense JOIN tLicenseTitles ON tLicense.fLicenseID = "
    "tLicenseTitles.fLicenseID WHERE tLicense.fLicenseID = :ID;";

QString Quoted(const TADOValue& name) {
  return "\"" + QString::fromStdString(name.AsString()) + "\"";
}

// Closes a query when the scope ends, also on an exception or a skip.
template <typename Query>
struct Closer {
  Query& query;
  ~Closer() { query.Close(); }
};

}  // namespace

void TfrmMain::ImportLicenses() {
  ILicenseQuery& vexQuery = VexDatabase->Query();
  try {
    AddLog("OK", "Retieving License IDs...");
    std::vector<int64_t> ids;
    vexQuery.SetSQLText(kIdListSql);
    vexQuery.Open();
    vexQuery.First();
    while (!vexQuery.Eof()) {
      ids.push_back(vexQuery.FieldValue("fLicenseID").AsInteger());
      vexQuery.Next();
    }

    AddLog("OK", "Begining transaction");
    ADOConnection.BeginTrans();
    AddLog("OK", "Importing Licenses...");

    int64_t lastId = 0;
    bool skipped = false;
    for (size_t i = 0; i < ids.size(); ++i) {
      vexQuery.SetSQLText(kLicenseWithTitlesSql);
      vexQuery.SetParamInteger("ID", ids[i]);
      vexQuery.Open();
      Closer<ILicenseQuery> closeVex{vexQuery};
      vexQuery.First();
      if (vexQuery.Eof()) continue;  // a licence without titles is neither imported nor logged

      const TADOValue name = vexQuery.FieldValue("fLicenseDesc");
      const double percent = double(i + 1) / double(ids.size()) * 100;
      int64_t count = 0;
      {
        ADOQuery.SetSQLText(SqlCountLicensesByDescription());
        ADOQuery.ParamByName("Description").Value = name;
        Closer<TADOQuery> closeAdo{ADOQuery};
        ADOQuery.Open();
        ADOQuery.First();
        count = ADOQuery.FieldByName("RowCount").AsInteger();
      }
      if (count > 0) {
        ShowProgress("Skipping " + Quoted(name), percent);
        AddLog("WARNING", "Skipping [already exisits] " + Quoted(name));
        skipped = true;
        continue;
      }
      ShowProgress("Importing " + Quoted(name), percent);
      AddLog("OK", "Importing " + Quoted(name));

      ADOQuery.SetSQLText(SqlInsertLicense());
      ADOQuery.ParamByName("Description").Value = name;
      ADOQuery.ParamByName("LicenseQty").Value = vexQuery.FieldValue("fLicenseQty");
      ADOQuery.ExecSQL();
      {
        ADOQuery.SetSQLText(SqlSelectLastID());
        Closer<TADOQuery> closeAdo{ADOQuery};
        ADOQuery.Open();
        ADOQuery.First();
        if (!ADOQuery.Eof())
          lastId = ADOQuery.FieldByName("LastID").AsInteger();
        else
          AddLog("ERROR", "Tallyon Server - Could not get last insert ID");
      }

      vexQuery.First();
      while (!vexQuery.Eof()) {
        ADOQuery.SetSQLText(SqlInsertLicenseTitle());
        ADOQuery.ParamByName("LicenseID").Value = lastId;
        ADOQuery.ParamByName("Title").Value = vexQuery.FieldValue("fTitleString");
        ADOQuery.ExecSQL();
        vexQuery.Next();
        QApplication::processEvents();
      }
    }

    AddLog("OK", "Commiting transation");
    ADOConnection.CommitTrans();
    FImported = true;
    AddLog("OK", "Import complete");
    UpdateSteps();
    ShowProgress("Import complete", 100);
    if (skipped)
      dialogs_.MessageDlg(
          "Import complete.\r\n\r\nSome licenses were skipped because licenses with\r\nthe same "
          "names exist in the Tallyon database.\r\n\r\nPlease check the log for details.",
          TMsgDlgType::mtWarning);
    else
      dialogs_.MessageDlg("Import complete", TMsgDlgType::mtInformation);
  } catch (const Exception& e) {
    const QString message = QString::fromStdString(e.Message());
    AddLog("ERROR", "Import Failed with error : " + message);
    AddLog("ERROR", "Last Tallyon Server SQL : " + QString::fromStdString(ADOQuery.SQLText()));
    AddLog("ERROR", "Last Vivirav Irarude SQL : " + QString::fromStdString(vexQuery.SQLText()));
    dialogs_.MessageDlg("Import Failed with error : " + message, TMsgDlgType::mtError);
    try {
      if (ADOConnection.InTransaction()) ADOConnection.RollbackTrans();
      AddLog("OK", "Tallyon Server transaction rollback complete");
    } catch (...) {
      // Whatever the roll-back raised, the user is told it failed; the run is over either way.
      AddLog("ERROR", "Tallyon Server transaction rollback FAILED!");
    }
  }
}
