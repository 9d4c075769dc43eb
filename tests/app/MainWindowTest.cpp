// The main window: start-up, settings, the server connection and its version check, the
// steps list, the log and its clipboard form, with real SQLite server files.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "app/DemoData.h"
#include "app/brFileVer.h"
#include "platform/FileVersion.h"
#include "tests/app/AppFixture.h"

namespace {

QColor LabelColour(QLabel* label) {
  return label->palette().color(QPalette::WindowText);
}

const char kServerPath[] = "\\\\SRV\\Dudir$\\tyx.mdb";

}  // namespace

TEST_F(AppFixture, StartWithoutSettings) {
  form_->FormCreate();
  EXPECT_EQ(form_->edtServer->text(), "");
  EXPECT_EQ(form_->edtLicDatabase->text(), "");
  EXPECT_EQ(form_->lbServerStatus->text(), "Disconnected");
  EXPECT_EQ(form_->lbLicenseStatus->text(), "Disconnected");
  EXPECT_EQ(LabelColour(form_->lbServerStatus), clRed);
  EXPECT_EQ(LabelColour(form_->lbLicenseStatus), clRed);
  EXPECT_EQ(form_->StepImageIndexes(), (QList<int>{0, 0, 2}));
  EXPECT_FALSE(form_->btnImport->isEnabled());
  EXPECT_TRUE(form_->lbLog->Items().isEmpty());
  EXPECT_EQ(license_->Opens, 0);
  EXPECT_TRUE(dialogs_.Messages.isEmpty());
  // The caption carries this program file's own version record.
  EXPECT_EQ(form_->windowTitle(), "Tallyon 2 Vivirav Irarude Import Tool : 2.0.0.1");
  EXPECT_EQ(form_->PageControl->tabText(0), "Import");
  EXPECT_EQ(form_->PageControl->tabText(1), "Log");
  EXPECT_EQ(form_->PageControl->currentIndex(), 0);
  EXPECT_EQ(form_->ADOConnection.CommandTimeout, 10);
  EXPECT_EQ(form_->ADOConnection.ConnectionTimeout, 10);
}

TEST_F(AppFixture, ProgramFileWithoutVersionRaisesAfterConnecting) {
  CreateServerDatabase(ServerFile("SRV"), 6);
  WriteSettings("[General]\nDataServer=SRV\n");
  TfrmMain form(dialogs_, "/bin/sh");
  EXPECT_THROW(form.FormCreate(), EOSError);
  EXPECT_EQ(form.windowTitle(), "Tallyon 2 Vivirav Irarude Import Tool");
  EXPECT_EQ(form.lbServerStatus->text(), "Connected, database version : 6");
}

TEST_F(AppFixture, SettingsEdgeCases) {
  struct Case {
    const char* ini;  // nullptr: no settings file at all
    const char* server;
    const char* database;
  };
  const Case cases[] = {
      {nullptr, "", ""},
      {"[General]\nDataServer=MAIN\n", "MAIN", ""},
      {"[General]\nDataServer=MAIN\n[Vivirav%20Irarude]\nDataBase=/data/swdb.vex\nProbeServer=\"   "
       "\"\n",
       "MAIN", "/data/swdb.vex"},
      {"[General]\nDataServer=MAIN\n[Vivirav%20Irarude]\nDataBase=/data/"
       "swdb.vex\nProbeServer=PROBE\n",
       "PROBE", "/data/swdb.vex"},
      {"[Vivirav%20Irarude]\nProbeServer=PROBE\n", "PROBE", ""},
      {"[General]\nDataServer=MAIN\n[Vivirav%20Irarude]\nDataBase=\"  /my data/sw db.vex  \"\n",
       "MAIN", "  /my data/sw db.vex  "},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(TRegistry::SettingsFileName().toStdString());
    if (c.ini) WriteSettings(c.ini);
    form_->LoadSettings();
    EXPECT_EQ(form_->edtServer->text(), c.server) << (c.ini ? c.ini : "no file");
    EXPECT_EQ(form_->edtLicDatabase->text(), c.database) << (c.ini ? c.ini : "no file");
  }
}

TEST_F(AppFixture, ServerVersionAccepted) {
  CreateServerDatabase(ServerFile("SRV"), 6);
  form_->edtServer->setText("  SRV \t");
  form_->ConnectServer();
  EXPECT_TRUE(form_->ADOConnection.Connected());
  EXPECT_EQ(form_->lbServerStatus->text(), "Connected, database version : 6");
  EXPECT_EQ(LabelColour(form_->lbServerStatus), clGreen);
  EXPECT_EQ(LogMessages(), (QStringList{QString("Database connected : ") + kServerPath,
                                        "Tallyon database version : 6"}));
  EXPECT_EQ(LogStatuses(), (QStringList{"OK", "OK"}));
  EXPECT_EQ(form_->edtServer->text(), "  SRV \t");
  EXPECT_NE(form_->ADOConnection.ConnectionString().find("Data Source=\\\\SRV\\Dudir$\\tyx.mdb;"),
            std::string::npos);
  EXPECT_EQ(form_->ADOConnection.ConnectionString(),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\\\\SRV\\Dudir$\\tyx.mdb;Persist "
            "Security Info=False");
  EXPECT_EQ(form_->StepImageIndexes(), (QList<int>{0, 1, 2}));
  EXPECT_FALSE(form_->btnImport->isEnabled());

  // Reconnecting logs the disconnection first.
  form_->ConnectServer();
  EXPECT_EQ(LogMessages().mid(2, 2), (QStringList{"Tallyon Server Database disconnected",
                                                  QString("Database connected : ") + kServerPath}));
}

TEST_F(AppFixture, ServerVersionTooLow) {
  struct Case {
    int version;  // -1: DBVersions is empty
    const char* shown;
  };
  for (const Case& c : {Case{5, "5"}, Case{-1, "0"}}) {
    std::filesystem::remove_all(dir_ + "/shares");
    CreateServerDatabase(ServerFile("SRV"), c.version);
    form_->lbLog->ClearItems();
    form_->edtServer->setText("SRV");
    form_->ConnectServer();
    EXPECT_FALSE(form_->ADOConnection.Connected());
    EXPECT_EQ(form_->lbServerStatus->text(),
              QString("Database version too low ") + c.shown + " require 6");
    EXPECT_EQ(LabelColour(form_->lbServerStatus), clRed);
    EXPECT_EQ(LogMessages(),
              (QStringList{QString("Database connected : ") + kServerPath,
                           "Tallyon Server Database disconnected",
                           QString("Tallyon database version too low.  Database version : ") +
                               c.shown + " require 6."}));
    EXPECT_EQ(LogStatuses().last(), "ERROR");
    EXPECT_TRUE(dialogs_.Messages.isEmpty());
  }
}

TEST_F(AppFixture, ServerFailures) {
  // No file on the share.
  form_->edtServer->setText("NOWHERE");
  form_->ConnectServer();
  EXPECT_EQ(form_->lbServerStatus->text(),
            "The Database could not be found. Check the Tallyon Server version.");
  EXPECT_EQ(LogMessages(), QStringList{"Database file not found : \\\\NOWHERE\\Dudir$\\tyx.mdb"});
  EXPECT_TRUE(dialogs_.Messages.isEmpty());

  // A file that is not a database: open fails.
  std::ofstream(ServerFile("TEXT")) << "not a database at all, only some words in a text file";
  form_->lbLog->ClearItems();
  form_->edtServer->setText("TEXT");
  form_->ConnectServer();
  EXPECT_FALSE(form_->ADOConnection.Connected());
  EXPECT_EQ(form_->lbServerStatus->text(), "Disconnected");
  ASSERT_EQ(LogMessages().size(), 1);
  EXPECT_TRUE(LogMessages()[0].startsWith("Tallyon Database error : "))
      << LogMessages()[0].toStdString();
  ASSERT_EQ(dialogs_.Messages.size(), 1);
  EXPECT_TRUE(
      dialogs_.Messages[0].startsWith("The following database error was encountered while "
                                      "connecting to the Tallyon Server : \r\n"));
  EXPECT_EQ(dialogs_.Types[0], TMsgDlgType::mtError);

  // No DBVersions table: the error is reported, the connection stays open.
  std::string path = ServerFile("NOVER");
  CreateServerDatabase(path, 6);
  {
    TADOConnection c;
    c.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
    c.Open();
    TADOQuery q(&c);
    q.SetSQLText("DROP TABLE DBVersions;");
    q.ExecSQL();
  }
  form_->lbLog->ClearItems();
  dialogs_.Messages.clear();
  form_->edtServer->setText("NOVER");
  form_->ConnectServer();
  EXPECT_TRUE(form_->ADOConnection.Connected());
  EXPECT_EQ(form_->lbServerStatus->text(), "Connected");
  ASSERT_EQ(LogMessages().size(), 2);
  EXPECT_TRUE(LogMessages()[1].startsWith("Tallyon Database error : "));
  EXPECT_TRUE(LogMessages()[1].contains("DBVersions")) << LogMessages()[1].toStdString();
  EXPECT_EQ(dialogs_.Messages.size(), 1);
  EXPECT_EQ(form_->StepImageIndexes(), (QList<int>{0, 1, 2}));
}

TEST_F(AppFixture, ServerNameDialog) {
  CreateServerDatabase(ServerFile("SRV"), 7);
  dialogs_.NextServer = std::nullopt;  // Cancel changes nothing and logs nothing.
  form_->edtServerPropertiesButtonClick();
  EXPECT_EQ(form_->edtServer->text(), "");
  EXPECT_TRUE(form_->lbLog->Items().isEmpty());
  dialogs_.NextServer = "SRV";
  form_->edtServerPropertiesButtonClick();
  EXPECT_EQ(form_->edtServer->text(), "SRV");
  EXPECT_EQ(form_->lbServerStatus->text(), "Connected, database version : 7");
}

TEST(AppServerName, PlaceholderInAnyLetterCase) {
  EXPECT_EQ(ReplaceServerName("\\\\%servername%\\a\\%SERVERNAME%", "X"), "\\\\X\\a\\X");
}

TEST_F(AppFixture, LicenseDatabaseConnection) {
  std::string file = dir_ + "/swdb.vex";
  std::ofstream(file) << "x";
  // Missing file: status and log line, the engine is not called.
  form_->edtLicDatabase->setText(QString::fromStdString(dir_ + "/none.vex"));
  form_->ConnectLicenseDatabase();
  EXPECT_EQ(form_->lbLicenseStatus->text(), "The Vivirav Irarude Database could not be found.");
  EXPECT_EQ(LogMessages(),
            QStringList{QString::fromStdString("Database file not found : " + dir_ + "/none.vex")});
  EXPECT_EQ(license_->Opens, 0);

  // Surrounding spaces stay in the edit; the trimmed path is opened and logged.
  form_->lbLog->ClearItems();
  dialogs_.NextFile = QString::fromStdString("  " + file + " ");
  form_->edtLicDatabasePropertiesButtonClick();
  EXPECT_EQ(license_->FileName, file);
  EXPECT_EQ(form_->lbLicenseStatus->text(), "Connected");
  EXPECT_EQ(LabelColour(form_->lbLicenseStatus), clGreen);
  EXPECT_EQ(LogMessages(), QStringList{QString::fromStdString("Database connected : " + file)});
  EXPECT_EQ(form_->StepImageIndexes(), (QList<int>{1, 0, 2}));
  EXPECT_FALSE(form_->btnImport->isEnabled());

  // Choosing it again closes and reopens it.
  form_->edtLicDatabasePropertiesButtonClick();
  EXPECT_EQ(LogMessages().mid(1),
            (QStringList{"Vivirav Irarude Database disconnected",
                         QString::fromStdString("Database connected : " + file)}));
  // Cancelling the chooser changes nothing.
  dialogs_.NextFile = std::nullopt;
  form_->edtLicDatabasePropertiesButtonClick();
  EXPECT_EQ(LogMessages().size(), 3);

  // Both connected: the import step is ready and Import is enabled.
  CreateServerDatabase(ServerFile("SRV"), 6);
  form_->edtServer->setText("SRV");
  form_->ConnectServer();
  EXPECT_EQ(form_->StepImageIndexes(), (QList<int>{1, 1, 0}));
  EXPECT_TRUE(form_->btnImport->isEnabled());
}

TEST_F(AppFixture, UnavailableEngineNeverReportsConnected) {
  std::string file = dir_ + "/swdb.vex";
  std::ofstream(file) << "x";
  TfrmMain form(dialogs_, SelfPath());
  form.edtLicDatabase->setText(QString::fromStdString(file));
  form.ConnectLicenseDatabase();
  EXPECT_FALSE(form.VexDatabase->Connected());
  EXPECT_EQ(form.lbLicenseStatus->text(), "Disconnected");
  ASSERT_EQ(dialogs_.Messages.size(), 1);
  EXPECT_TRUE(
      dialogs_.Messages[0].startsWith("The following database error was encountered while opening "
                                      "the Vivirav Irarude database : \r\n"));
}

TEST_F(AppFixture, LogAndClipboard) {
  const QChar d(kLogDelimiter);
  form_->AddLog("OK", "first");
  form_->AddLog("WARNING", QString("with ") + d + " inside and crème");
  ASSERT_EQ(form_->lbLog->Items().size(), 2);
  // Newest first, split into columns at the delimiter (here one more column).
  EXPECT_TRUE(form_->lbLog->Items()[0].contains("crème"));
  QTreeWidgetItem* top = form_->lbLog->topLevelItem(0);
  EXPECT_EQ(top->text(1), "WARNING");
  EXPECT_EQ(top->text(2), "with ");
  EXPECT_EQ(top->text(3), " inside and crème");
  QStringList lines = form_->LogClipboardText().split("\r\n");
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].endsWith(" | WARNING | with  |  inside and crème"))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[1].endsWith(" | OK | first"));
  EXPECT_EQ(lines[2], "");
  form_->cxButton1Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), form_->LogClipboardText());
}

TEST_F(AppFixture, StepsListKeepsNoSelection) {
  form_->UpdateSteps();
  form_->ListView->topLevelItem(1)->setSelected(true);
  EXPECT_TRUE(form_->ListView->selectedItems().isEmpty());
}

TEST_F(AppFixture, ProgressShowsTextAndPosition) {
  form_->ShowProgress("Importing \"A\"", 100.0 / 3);
  EXPECT_EQ(form_->ProgressBar->format(), "Importing \"A\"");
  EXPECT_DOUBLE_EQ(form_->ProgressPosition(), 100.0 / 3);
  EXPECT_EQ(form_->ProgressBar->value(), 3333);
}
