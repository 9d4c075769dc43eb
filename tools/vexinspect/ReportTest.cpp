// The vexinspect report of created databases: figures, tables, JSON form, encrypted files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "engine/base/VexExcept.h"
#include "engine/storage/DiskDatabaseCatalog.h"
#include "tools/vexinspect/Report.h"

namespace {

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vex_inspect_XXXXXX";
    dir_ = mkdtemp(tmpl);
    name_ = dir_ + "/db.vex";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void AddTables(const TVexPassword& password = {}) {
    TVexDiskDatabaseCatalog db;
    TVexPassword pw = password;
    bool multiUser = false, readOnly = false;
    db.Open(name_, pw, multiUser, false, readOnly);
    db.TableList->AddTable(5, "tLicense", 10, 11, 12);
    db.TableList->AddTable(6, "Caf\xE9\"s", 13, 14, 15);
    db.TableList->Save(-2);
    db.PageManager->Commit(-2);
  }
  std::string dir_, name_;
};

TEST_F(ReportTest, FiguresOfANewDatabaseWithTwoTables) {
  TVexDiskDatabaseCatalog::CreateDatabase(name_, {});
  AddTables();
  TInspectReport r = InspectDatabase(name_, {});
  EXPECT_EQ(r.Header.PageSize, 4096);
  EXPECT_EQ(r.Header.TotalPageCount, 6);
  EXPECT_FALSE(r.RepairNeeded);
  EXPECT_EQ(r.MaxConnections, 500);
  EXPECT_EQ(r.PageTypeCounts[3], 1);  // PFS
  EXPECT_EQ(r.PageTypeCounts[2], 1);  // EAM
  EXPECT_EQ(r.PageTypeCounts[4], 1);  // system directory
  EXPECT_EQ(r.PageTypeCounts[5], 1);  // sessions
  EXPECT_EQ(r.PageTypeCounts[6], 1);  // table list
  EXPECT_EQ(r.MapPages, 2);
  EXPECT_EQ(r.UsedPages, 3);
  EXPECT_EQ(r.FreePages, 1);
  ASSERT_EQ(r.Tables.size(), 2u);
  std::string text = RenderText(r);
  EXPECT_NE(text.find("tLicense: id 5, metadata page 10, header page 11, locks page 12"),
            std::string::npos)
      << text;
  std::string json = RenderJson(r);
  EXPECT_NE(json.find("{\"name\": \"Caf\xC3\xA9\\\"s\", \"tableId\": 6"), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"freeSpace\": {\"mapPages\": 2, \"usedPages\": 3, \"freePages\": 1}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"fileVersion\": 5.14,"), std::string::npos) << json;
}

TEST_F(ReportTest, EncryptedDatabaseNeedsItsPasswordAndHidesSecrets) {
  TVexDiskDatabaseCatalog::CreateDatabase(name_, TVexPassword{"pw", 1});
  AddTables(TVexPassword{"pw", 1});
  try {
    InspectDatabase(name_, TVexPassword{"nope", 0});
    FAIL() << "wrong password accepted";
  } catch (const EVexException& e) {
    EXPECT_EQ(e.NativeError(), 30445);
    EXPECT_EQ(RenderJsonError(e.Message(), e.NativeError()),
              "{\"error\": \"Cannot open database because incorrect password - Native error: "
              "30445\", \"code\": 30445}\n");
  }
  TInspectReport r = InspectDatabase(name_, TVexPassword{"pw", 0});
  EXPECT_EQ(r.CipherId, 1);
  std::string text = RenderText(r);
  EXPECT_NE(text.find("cipher 1 Rijndael_256"), std::string::npos) << text;
  EXPECT_EQ(text.find("pw"), std::string::npos);
  EXPECT_EQ(r.Tables.size(), 2u);
}

}  // namespace
