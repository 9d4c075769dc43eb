// Shared fixture for the window tests: scripted dialogs, a license database that connects on
// request, a settings file and a share root in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <filesystem>
#include <fstream>
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

  bool Connectable = true;
  std::string FileName;
  int Opens = 0;

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


