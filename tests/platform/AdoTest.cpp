// The server database layer over real SQLite files: the tool's statements as written,
// parameters, identity, transactions, time-outs and readable failures.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/UncPath.h"
#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoDialect.h"
#include "platform/ado/AdoError.h"
#include "platform/ado/AdoQuery.h"

namespace fs = std::filesystem;

namespace {

class AdoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/adotestXXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = dir_ + "/tyx.mdb";
    Exec(path_,
         "CREATE TABLE DBVersions (Version INTEGER);"
         "INSERT INTO DBVersions VALUES (5); INSERT INTO DBVersions VALUES (7);"
         "INSERT INTO DBVersions VALUES (6);"
         "CREATE TABLE Licenses (ID INTEGER PRIMARY KEY AUTOINCREMENT, Description TEXT, "
         "LicenseQty INTEGER);"
         "CREATE TABLE LicenseTitles (ID INTEGER PRIMARY KEY AUTOINCREMENT, LicenseID INTEGER, "
         "Title TEXT);");
    connection_.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_ +
                                    ";Persist Security Info=False");
  }
  void TearDown() override {
    connection_.Close();
    fs::remove_all(dir_);
  }
  static void Exec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  int64_t Count(const std::string& description) {
    TADOQuery q(&connection_);
    q.SetSQLText(
        "SELECT COUNT(ID) AS RowCount FROM Licenses WHERE UCASE(Description) = "
        "UCASE(:Description);");
    q.ParamByName("Description").Value = description;
    q.Open();
    q.First();
    return q.FieldByName("RowCount").AsInteger();
  }
  void Insert(const std::string& description, int qty) {
    TADOQuery q(&connection_);
    q.SetSQLText(
        "INSERT INTO Licenses (Description,LicenseQty) VALUES (:Description,:LicenseQty);");
    q.ParamByName("Description").Value = description;
    q.ParamByName("LicenseQty").Value = qty;
    EXPECT_EQ(q.ExecSQL(), 1);
  }

  std::string dir_, path_;
  TADOConnection connection_;
};

}  // namespace

TEST(AdoDialect, TranslatesJetStatements) {
  struct Case {
    const char* jet;
    const char* sqlite;
  };
  const Case cases[] = {
      {"SELECT TOP 1 * FROM DBVersions ORDER BY Version DESC;",
       "SELECT * FROM DBVersions ORDER BY Version DESC LIMIT 1;"},
      {"select top 25 a from t", "select a from t LIMIT 25"},
      {"SELECT @@IDENTITY AS LastID;", "SELECT last_insert_rowid() AS LastID;"},
      {"SELECT 'TOP 1 @@IDENTITY' FROM t", "SELECT 'TOP 1 @@IDENTITY' FROM t"},
      {"SELECT topx FROM t", "SELECT topx FROM t"},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateJetSql(c.jet), c.sqlite) << c.jet;
}

TEST(AdoDialect, ParameterMarkers) {
  EXPECT_EQ(ParseParameterNames(
                "INSERT INTO LicenseTitles (LicenseID,Title) VALUES (:LicenseID,:Title);"),
            (std::vector<std::string>{"LicenseID", "Title"}));
  EXPECT_EQ(ParseParameterNames("SELECT ':no', \"a:b\" FROM t WHERE x = :X OR y = :x -- :c"),
            (std::vector<std::string>{"X"}));
  EXPECT_TRUE(ParseParameterNames("SELECT a::int").empty());
}

TEST_F(AdoTest, VersionQueryAsWritten) {
  connection_.Open();
  TADOQuery q(&connection_);
  q.SetSQLText("SELECT TOP 1 * FROM DBVersions ORDER BY Version DESC;");
  q.Open();
  q.First();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldByName("version").AsInteger(), 7);
  q.Next();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.SQLText(), "SELECT TOP 1 * FROM DBVersions ORDER BY Version DESC;\r\n");
}

TEST_F(AdoTest, IdentityOfLastInsertOnThisConnection) {
  connection_.Open();
  Insert("Office", 3);
  Insert("Visio", 1);
  TADOQuery q(&connection_);
  q.SetSQLText("SELECT @@IDENTITY AS LastID;");
  q.Open();
  EXPECT_EQ(q.FieldByName("LastID").AsInteger(), 2);
}

TEST_F(AdoTest, CaseInsensitiveCountIncludingNonAscii) {
  connection_.Open();
  Insert("Éditeur Pro", 1);
  Insert("office", 1);
  EXPECT_EQ(Count("éditeur pro"), 1);
  EXPECT_EQ(Count("ÉDITEUR PRO"), 1);
  EXPECT_EQ(Count("OFFICE"), 1);
  EXPECT_EQ(Count("Editeur Pro"), 0);
}

TEST_F(AdoTest, RollbackLeavesNothing) {
  connection_.Open();
  connection_.BeginTrans();
  EXPECT_TRUE(connection_.InTransaction());
  Insert("Office", 3);
  EXPECT_EQ(Count("office"), 1);
  connection_.RollbackTrans();
  EXPECT_FALSE(connection_.InTransaction());
  EXPECT_EQ(Count("office"), 0);
  connection_.BeginTrans();
  Insert("Office", 3);
  connection_.CommitTrans();
  EXPECT_EQ(Count("office"), 1);
}

TEST_F(AdoTest, FailuresAreReadableExceptions) {
  // Missing file: never created.
  TADOConnection missing;
  missing.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir_ + "/none.mdb");
  EXPECT_THROW(missing.Open(), EADOError);
  EXPECT_FALSE(missing.Connected());
  EXPECT_FALSE(fs::exists(dir_ + "/none.mdb"));

  // A file that is not a database.
  { std::ofstream(dir_ + "/text.mdb") << "this is not a database file, just some text......"; }
  TADOConnection text;
  text.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir_ + "/text.mdb");
  try {
    text.Open();
    FAIL();
  } catch (const EADOError& e) {
    EXPECT_NE(std::string(e.what()).find("not a database"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(text.Connected());

  connection_.Open();
  TADOQuery q(&connection_);
  q.SetSQLText("SELECT * FROM NoSuchTable;");
  try {
    q.Open();
    FAIL();
  } catch (const EADOError& e) {
    EXPECT_NE(std::string(e.what()).find("NoSuchTable"), std::string::npos) << e.what();
  }
  EXPECT_THROW(q.ParamByName("Nope"), EADOError);
  q.SetSQLText("SELECT Version FROM DBVersions WHERE Version IS NULL;");
  q.Open();
  EXPECT_TRUE(q.Eof());
  EXPECT_THROW(q.FieldByName("Version"), EADOError);
}

TEST_F(AdoTest, LockedByAnotherWriterFailsAfterTimeout) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
  connection_.CommandTimeout = 1;
  connection_.ConnectionTimeout = 1;
  auto start = std::chrono::steady_clock::now();
  try {
    connection_.Open();
    connection_.BeginTrans();
    FAIL();
  } catch (const EADOError& e) {
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 0.9);
  EXPECT_LT(seconds, 5);
  sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

TEST(UncPath, ResolvesToMountRootOrGvfs) {
  char pattern[] = "/tmp/unctestXXXXXX";
  std::string dir = mkdtemp(pattern);
  SetUncMountRoot(dir + "/mnt");
  std::string runtime = dir + "/run";
  fs::create_directories(runtime + "/gvfs/smb-share:server=srv2,share=dudir$");
  const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = oldRuntime ? oldRuntime : "";
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(ResolveUncPath("\\\\SRV1\\Dudir$\\tyx.mdb"), dir + "/mnt/SRV1/Dudir$/tyx.mdb");
  EXPECT_EQ(ResolveUncPath("\\\\SRV2\\Dudir$\\tyx.mdb"),
            runtime + "/gvfs/smb-share:server=srv2,share=dudir$/tyx.mdb");
  EXPECT_EQ(ResolveUncPath("/home/u/file.vex"), "/home/u/file.vex");
  EXPECT_FALSE(FileExists("\\\\SRV1\\Dudir$\\tyx.mdb"));
  fs::create_directories(dir + "/mnt/SRV1/Dudir$");
  std::ofstream(dir + "/mnt/SRV1/Dudir$/tyx.mdb") << "x";
  EXPECT_TRUE(FileExists("\\\\SRV1\\Dudir$\\tyx.mdb"));
  if (oldRuntime)
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  SetUncMountRoot("/mnt");
  fs::remove_all(dir);
}
