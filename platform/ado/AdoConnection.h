// The server database connection: a Jet-style connection string whose "Data Source" names
// the database file (UNC paths resolved to mounted shares), opened as an SQLite database,
// never created when missing. One transaction at a time; command and connection time-outs
// bound every wait for a lock held by another writer.
#pragma once

#include <string>

struct sqlite3;

class TADOConnection {
 public:
  TADOConnection();
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  // Takes effect on the next open.
  void SetConnectionString(const std::string& text) { ConnectionString_ = text; }
  const std::string& ConnectionString() const { return ConnectionString_; }
  // Seconds a statement or an open waits for a lock before it fails.
  int CommandTimeout = 10;
  int ConnectionTimeout = 10;
  bool LoginPrompt = false;

  void Open();
  void SetConnected(bool value) { value ? Open() : Close(); }
  bool Connected() const { return db_ != nullptr; }
  void Close();

  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const;

  // The open database; raises when the connection is closed.
  sqlite3* Handle() const;
  // The local file that "Data Source" names, after UNC resolution.
  std::string DataSourcePath() const;

 private:
  void Exec(const char* sql, const char* what);
  std::string ConnectionString_;
  sqlite3* db_ = nullptr;
};

// A readable message for an SQLite result code of the connection.
std::string AdoErrorText(sqlite3* db, int rc);
