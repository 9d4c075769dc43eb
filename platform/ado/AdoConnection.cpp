// The server database connection over SQLite.
#include "platform/ado/AdoConnection.h"

#include <sqlite3.h>
#include <strings.h>
#include <unicode/ustring.h>

#include <cctype>
#include <vector>

#include "platform/UncPath.h"
#include "platform/ado/AdoError.h"

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// The value of one "Key=Value" entry of a connection string (keys ignore case).
std::string ConnectionValue(const std::string& text, const char* key) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(start, end - start);
    size_t eq = part.find('=');
    if (eq != std::string::npos && strcasecmp(Trim(part.substr(0, eq)).c_str(), key) == 0)
      return Trim(part.substr(eq + 1));
    start = end + 1;
  }
  return "";
}

// UCASE and LCASE: full Unicode case mapping of a text, so é and É compare equal.
void CaseMap(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool upper) {
  if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  int bytes = sqlite3_value_bytes(argv[0]);
  UErrorCode status = U_ZERO_ERROR;
  int32_t len16 = 0;
  u_strFromUTF8(nullptr, 0, &len16, text, bytes, &status);
  status = U_ZERO_ERROR;
  std::vector<UChar> in(size_t(len16) + 1);
  u_strFromUTF8WithSub(in.data(), len16 + 1, &len16, text, bytes, 0xFFFD, nullptr, &status);
  std::vector<UChar> out(size_t(len16) * 3 + 8);
  status = U_ZERO_ERROR;
  int32_t outLen =
      upper ? u_strToUpper(out.data(), int32_t(out.size()), in.data(), len16, "", &status)
            : u_strToLower(out.data(), int32_t(out.size()), in.data(), len16, "", &status);
  if (U_FAILURE(status)) {
    sqlite3_result_error(ctx, "case mapping failed", -1);
    return;
  }
  std::string utf8(size_t(outLen) * 4 + 4, '\0');
  int32_t len8 = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(utf8.data(), int32_t(utf8.size()), &len8, out.data(), outLen, &status);
  utf8.resize(size_t(len8));
  sqlite3_result_text(ctx, utf8.c_str(), int(utf8.size()), SQLITE_TRANSIENT);
}
void Upper(sqlite3_context* c, int n, sqlite3_value** v) {
  CaseMap(c, n, v, true);
}
void Lower(sqlite3_context* c, int n, sqlite3_value** v) {
  CaseMap(c, n, v, false);
}

}  // namespace

std::string AdoErrorText(sqlite3* db, int rc) {
  std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
    text = "The server database is locked by another user and the time-out expired (" + text + ")";
  return text;
}

TADOConnection::TADOConnection() = default;

TADOConnection::~TADOConnection() {
  Close();
}

std::string TADOConnection::DataSourcePath() const {
  return ResolveUncPath(ConnectionValue(ConnectionString_, "Data Source"));
}

void TADOConnection::Open() {
  if (db_) return;
  std::string provider = ConnectionValue(ConnectionString_, "Provider");
  if (strncasecmp(provider.c_str(), "Microsoft.Jet.OLEDB.", 20) != 0 &&
      strncasecmp(provider.c_str(), "Microsoft.ACE.OLEDB.", 20) != 0)
    throw EADOError("Provider cannot be found. It may not be properly installed.");
  std::string source = ConnectionValue(ConnectionString_, "Data Source");
  if (source.empty()) throw EADOError("The connection string names no data source.");
  std::string path = ResolveUncPath(source);
  if (!FileExists(path)) throw EADOError("Could not find file '" + source + "'.");

  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string text = AdoErrorText(db, rc);
    sqlite3_close(db);
    throw EADOError("Cannot open the database '" + source + "': " + text);
  }
  sqlite3_busy_timeout(db, ConnectionTimeout * 1000);
  // Reading the schema proves the file is a database (and waits for a writer's lock).
  rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    std::string text = AdoErrorText(db, rc);
    sqlite3_close(db);
    throw EADOError("Cannot open the database '" + source + "': " + text);
  }
  sqlite3_busy_timeout(db, CommandTimeout * 1000);
  sqlite3_create_function(db, "UCASE", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Upper,
                          nullptr, nullptr);
  sqlite3_create_function(db, "LCASE", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Lower,
                          nullptr, nullptr);
  db_ = db;
}

void TADOConnection::Close() {
  if (!db_) return;
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

sqlite3* TADOConnection::Handle() const {
  if (!db_) throw EADOError("Operation is not allowed when the object is closed.");
  return db_;
}

void TADOConnection::Exec(const char* sql, const char* what) {
  int rc = sqlite3_exec(Handle(), sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw EADOError(std::string(what) + ": " + AdoErrorText(db_, rc));
}

void TADOConnection::BeginTrans() {
  if (InTransaction()) throw EADOError("The connection is already in a transaction.");
  // Takes the write lock at once, so a second writer waits (up to the time-out) here.
  Exec("BEGIN IMMEDIATE;", "Cannot begin a transaction");
}

void TADOConnection::CommitTrans() {
  if (!InTransaction()) throw EADOError("No transaction is active.");
  Exec("COMMIT;", "Cannot commit the transaction");
}

void TADOConnection::RollbackTrans() {
  if (!InTransaction()) throw EADOError("No transaction is active.");
  Exec("ROLLBACK;", "Cannot roll back the transaction");
}

bool TADOConnection::InTransaction() const {
  return db_ && sqlite3_get_autocommit(db_) == 0;
}
