// The import into a real SQLite server database from a licence source in memory: the log,
// progress, skips, the closing message and the roll-back on failure.
#include <sqlite3.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/DemoData.h"
#include "tests/app/AppFixture.h"

namespace {

class ImportFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    serverFile_ = ServerFile("SRV");
    CreateServerDatabase(serverFile_, 6);
    std::string file = dir_ + "/swdb.vex";
    std::ofstream(file) << "x";
    form_->edtServer->setText("SRV");
    form_->edtLicDatabase->setText(QString::fromStdString(file));
    form_->ConnectServer();
    form_->ConnectLicenseDatabase();
    ASSERT_TRUE(form_->btnImport->isEnabled());
    form_->lbLog->ClearItems();
  }
  TFakeLicenseQuery& Source() { return license_->Source; }
  // Rows of the server table as "a|b|c" texts, in rowid order.
  std::vector<std::string> Rows(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(serverFile_.c_str(), &db);
    std::vector<std::string> rows;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* out, int n, char** values, char**) {
          std::string row;
          for (int i = 0; i < n; ++i)
            row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
          static_cast<std::vector<std::string>*>(out)->push_back(row);
          return 0;
        },
        &rows, nullptr);
    sqlite3_close(db);
    return rows;
  }
  std::string serverFile_;
};

}  // namespace

TEST_F(ImportFixture, EmptySource) {
  form_->btnImportClick();
  EXPECT_EQ(LogMessages(),
            (QStringList{"Retieving License IDs...", "Begining transaction",
                         "Importing Licenses...", "Commiting transation", "Import complete"}));
  EXPECT_EQ(form_->ProgressPosition(), 100);
  EXPECT_EQ(dialogs_.Messages, QStringList{"Import complete"});
  EXPECT_EQ(dialogs_.Types.back(), TMsgDlgType::mtInformation);
  EXPECT_EQ(form_->StepImageIndexes(), (QList<int>{1, 1, 1}));
  EXPECT_TRUE(form_->btnImport->isEnabled());
  EXPECT_FALSE(form_->ADOConnection.InTransaction());
}

TEST_F(ImportFixture, ImportsSkipsAndLeavesLicencesWithoutTitles) {
  {
    TADOQuery q(&form_->ADOConnection);
    q.SetSQLText("INSERT INTO Licenses (Description,LicenseQty) VALUES ('ÉDITEUR',1);");
    q.ExecSQL();
  }
  Source().Licences = {{1, "Office", 5}, {2, "No titles", 1}, {3, "office", 2}, {4, "éditeur", 9}};
  Source().Titles = {{1, "Word"}, {1, "Excel"}, {3, "Other"}, {4, "Writer"}};
  form_->btnImportClick();
  EXPECT_EQ(LogMessages(), (QStringList{"Retieving License IDs...", "Begining transaction",
                                        "Importing Licenses...", "Importing \"Office\"",
                                        "Skipping [already exisits] \"office\"",
                                        "Skipping [already exisits] \"éditeur\"",
                                        "Commiting transation", "Import complete"}));
  EXPECT_EQ(LogStatuses()[4], "WARNING");
  EXPECT_EQ(Rows("SELECT ID, Description, LicenseQty FROM Licenses ORDER BY ID"),
            (std::vector<std::string>{"1|ÉDITEUR|1", "2|Office|5"}));
  EXPECT_EQ(Rows("SELECT LicenseID, Title FROM LicenseTitles ORDER BY ID"),
            (std::vector<std::string>{"2|Word", "2|Excel"}));
  ASSERT_EQ(dialogs_.Messages.size(), 1);
  EXPECT_EQ(dialogs_.Types[0], TMsgDlgType::mtWarning);
  EXPECT_EQ(dialogs_.Messages[0],
            "Import complete.\r\n\r\nSome licenses were skipped because licenses with\r\nthe same "
            "names exist in the Tallyon database.\r\n\r\nPlease check the log for details.");
  EXPECT_FALSE(Source().IsOpen());
  EXPECT_TRUE(form_->Imported());
}

TEST_F(ImportFixture, ProgressOfThreeLicences) {
  Source().Licences = {{1, "A", 1}, {2, "B", 1}, {3, "C", 1}};
  Source().Titles = {{1, "t"}, {2, "t"}, {3, "t"}};
  QList<double> seen;
  QObject::connect(form_->ProgressBar, &QProgressBar::valueChanged,
                   [&](int) { seen << form_->ProgressPosition(); });
  form_->btnImportClick();
  ASSERT_GE(seen.size(), 3);
  EXPECT_NEAR(seen[0], 100.0 / 3, 1e-9);
  EXPECT_NEAR(seen[1], 200.0 / 3, 1e-9);
  EXPECT_EQ(seen[2], 100);
  EXPECT_EQ(form_->ProgressBar->format(), "Import complete");
}

TEST_F(ImportFixture, ProviderErrorOnThirdTitleRollsBack) {
  {
    TADOQuery q(&form_->ADOConnection);
    q.SetSQLText(
        "CREATE TRIGGER fail BEFORE INSERT ON LicenseTitles WHEN NEW.Title = 'third' "
        "BEGIN SELECT RAISE(ABORT, 'provider refused the row'); END;");
    q.ExecSQL();
  }
  Source().Licences = {{1, "A", 1}};
  Source().Titles = {{1, "first"}, {1, "second"}, {1, "third"}};
  form_->btnImportClick();
  QStringList log = LogMessages();
  ASSERT_GE(log.size(), 5);
  EXPECT_EQ(
      log.mid(log.size() - 4),
      (QStringList{"Import Failed with error : provider refused the row",
                   "Last Tallyon Server SQL : "
                   "INSERT INTO LicenseTitles (LicenseID,Title) VALUES (:LicenseID,:Title);\r\n",
                   "Last Vivirav Irarude SQL : "
                   "SELECT * FROM tLicense JOIN tLicenseTitles ON tLicense.fLicenseID = "
                   "tLicenseTitles.fLicenseID WHERE tLicense.fLicenseID = :ID;\r\n",
                   "Tallyon Server transaction rollback complete"}));
  EXPECT_EQ(dialogs_.Messages, QStringList{"Import Failed with error : provider refused the row"});
  EXPECT_EQ(dialogs_.Types[0], TMsgDlgType::mtError);
  EXPECT_TRUE(Rows("SELECT * FROM Licenses").empty());
  EXPECT_TRUE(Rows("SELECT * FROM LicenseTitles").empty());
  EXPECT_FALSE(form_->ADOConnection.InTransaction());
  EXPECT_FALSE(form_->btnImport->isEnabled());  // stays disabled until a reconnection
  EXPECT_FALSE(form_->Imported());
  EXPECT_FALSE(Source().IsOpen());
}

TEST_F(ImportFixture, FailureBeforeTheTransaction) {
  // The source cannot be read: no transaction was open, the roll-back line is still written.
  form_->ADOConnection.Close();
  Source().Licences = {{1, "A", 1}};
  Source().Titles = {{1, "t"}};
  form_->btnImportClick();
  QStringList log = LogMessages();
  ASSERT_GE(log.size(), 2);
  EXPECT_TRUE(log[log.size() - 4].startsWith("Import Failed with error : "));
  EXPECT_EQ(log.last(), "Tallyon Server transaction rollback complete");
}
