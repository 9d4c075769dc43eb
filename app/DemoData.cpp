// The bundled demo databases and settings.
#include "app/DemoData.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/UncPath.h"
#include "platform/ado/AdoError.h"

void CreateServerDatabase(const std::string& path, int version) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
  if (rc != SQLITE_OK) throw EADOError("Cannot create " + path + ": " + sqlite3_errstr(rc));
  std::string sql =
      "CREATE TABLE DBVersions (Version INTEGER);"
      "CREATE TABLE Licenses (ID INTEGER PRIMARY KEY AUTOINCREMENT, Description TEXT, "
      "LicenseQty INTEGER);"
      "CREATE TABLE LicenseTitles (ID INTEGER PRIMARY KEY AUTOINCREMENT, LicenseID INTEGER, "
      "Title TEXT);";
  if (version >= 0)
    sql += "INSERT INTO DBVersions (Version) VALUES (" + std::to_string(version) + ");";
  char* error = nullptr;
  rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    std::string text = error ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    throw EADOError("Cannot create " + path + ": " + text);
  }
}

void CreateDemo(const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path root = fs::absolute(folder);
  const fs::path config = root / "config" / "Brackwater";
  const fs::path share = root / "shares" / "DEMO" / "Dudir$";
  fs::create_directories(config);
  fs::create_directories(share);
  if (!fs::exists(share / "tyx.mdb")) CreateServerDatabase((share / "tyx.mdb").string(), 6);
  if (!fs::exists(config / "Tallyon.ini")) {
    std::ofstream ini(config / "Tallyon.ini");
    ini << "[General]\nDataServer=DEMO\n\n"
        << "[Vivirav%20Irarude]\nDataBase=\nProbeServer=\n\n"
        << "[Shares]\nMountRoot=" << (root / "shares").string() << "\n";
    if (!ini) throw EADOError("Cannot write " + (config / "Tallyon.ini").string());
  }
}
