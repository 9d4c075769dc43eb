// Shared fixture for the window tests: scripted dialogs, a license database that connects on
// request, a settings file and a share root in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "app/Dialogs.h"
#include "app/LicenseDatabase.h"
#include "app/LogListBox.h"
#include "app/Registry.h"
#include "app/uFrmMain.h"
#include "platform/UncPath.h"

// Answers the modal dialogs from a script and records every message box.
class TScriptedDialogs : public IDialogs {
 public:
  void MessageDlg(const QString& text, TMsgDlgType type) override {
    Messages << text;
    Types.push_back(type);
  }
  std::optional<QString> ChooseDatabase() override { return NextFile; }
  std::optional<QString> AskServerName() override { return NextServer; }

  QStringList Messages;
  std::vector<TMsgDlgType> Types;
  std::optional<QString> NextFile;
  std::optional<QString> NextServer;
};

// A licence source in memory: tLicense and tLicenseTitles rows, read through the two
// statements of the import (the ID list, and one licence joined with its titles).
struct TFakeLicence {
  int64_t id;
  std::string desc;
  int64_t qty;
};
struct TFakeTitle {
  int64_t id;
  std::string title;
};

class TFakeLicenseQuery : public ILicenseQuery {
 public:
  void SetSQLText(const std::string& text) override {
    Close();
    sql_ = text;
  }
  std::string SQLText() const override { return sql_.empty() ? sql_ : sql_ + "\r\n"; }
  void SetParamInteger(const std::string& name, int64_t value) override {
    ASSERT_EQ(name, "ID");
    id_ = value;
  }
  void Open() override {
    rows_.clear();
    if (sql_ == "SELECT fLicenseID FROM tLicense;") {
      for (const TFakeLicence& l : Licences) rows_.push_back({{"fLicenseID", l.id}});
    } else {
      ASSERT_EQ(sql_,
                "SELECT * FROM tLicense JOIN tLicenseTitles ON tLicense.fLicenseID = "
                "tLicenseTitles.fLicenseID WHERE tLicense.fLicenseID = :ID;");
      for (const TFakeLicence& l : Licences)
        for (const TFakeTitle& t : Titles)
          if (l.id == id_ && t.id == l.id)
            rows_.push_back({{"fLicenseID", l.id},
                             {"fLicenseDesc", l.desc},
                             {"fLicenseQty", l.qty},
                             {"fTitleString", t.title}});
    }
    ++Opens;
    open_ = true;
    row_ = 0;
  }
  void First() override { row_ = 0; }
  void Next() override { ++row_; }
  bool Eof() const override { return !open_ || row_ >= rows_.size(); }
  void Close() override { open_ = false; }
  TADOValue FieldValue(const std::string& name) const override { return rows_.at(row_).at(name); }

  std::vector<TFakeLicence> Licences;
  std::vector<TFakeTitle> Titles;
  int Opens = 0;
  bool IsOpen() const { return open_; }

 private:
  std::string sql_;
  int64_t id_ = 0;
  std::vector<std::map<std::string, TADOValue>> rows_;
  size_t row_ = 0;
  bool open_ = false;
};

// A license database that is connected after Open when Connectable is set.
class TFakeLicenseDatabase : public ILicenseDatabase {
 public:
  void SetFileName(const std::string& path) override { FileName = path; }
  void Open() override {
    ++Opens;
    connected_ = Connectable;
  }
  void Close() override { connected_ = false; }
  bool Connected() const override { return connected_; }
  ILicenseQuery& Query() override { return Source; }

  bool Connectable = true;
  std::string FileName;
  int Opens = 0;
  TFakeLicenseQuery Source;

 private:
  bool connected_ = false;
};

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/tallyon-app-XXXXXX";
    dir_ = mkdtemp(pattern);
    SetUncMountRoot(dir_ + "/shares");
    fs::remove(TRegistry::SettingsFileName().toStdString());
    auto db = std::make_unique<TFakeLicenseDatabase>();
    license_ = db.get();
    form_ = std::make_unique<TfrmMain>(dialogs_, SelfPath(), std::move(db));
  }
  void TearDown() override {
    form_.reset();
    std::filesystem::remove(TRegistry::SettingsFileName().toStdString());
    std::filesystem::remove_all(dir_);
    SetUncMountRoot("/mnt");
  }
  static std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

  // Writes the settings file with the given content.
  static void WriteSettings(const std::string& ini) {
    std::filesystem::path file = TRegistry::SettingsFileName().toStdString();
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << ini;
  }
  // The local file behind \\SERVER\Dudir$\tyx.mdb.
  std::string ServerFile(const std::string& server) {
    std::string folder = dir_ + "/shares/" + server + "/Dudir$";
    std::filesystem::create_directories(folder);
    return folder + "/tyx.mdb";
  }
  // Log messages oldest first (the third field of each line).
  QStringList LogField(int field) const {
    QStringList out;
    for (const QString& line : form_->lbLog->Items()) {
      QStringList parts = line.split(QChar(kLogDelimiter));
      out.prepend(field < 2 ? parts.value(field) : parts.mid(2).join(QChar(kLogDelimiter)));
    }
    return out;
  }
  QStringList LogMessages() const { return LogField(2); }
  QStringList LogStatuses() const { return LogField(1); }

  std::string dir_;
  TScriptedDialogs dialogs_;
  TFakeLicenseDatabase* license_ = nullptr;
  std::unique_ptr<TfrmMain> form_;
};
