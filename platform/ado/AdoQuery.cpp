// Statements on the server database connection.
#include "platform/ado/AdoQuery.h"

#include <sqlite3.h>
#include <strings.h>

#include <memory>

#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoDialect.h"
#include "platform/ado/AdoError.h"

namespace {

struct StatementDeleter {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

}  // namespace

void TADOQuery::SetSQLText(const std::string& text) {
  Close();
  sql_ = text;
  params_.clear();
  for (const std::string& name : ParseParameterNames(text)) params_.push_back({name, TADOValue()});
}

std::string TADOQuery::SQLText() const {
  if (sql_.empty()) return "";
  std::string out;
  size_t start = 0;
  while (start < sql_.size()) {
    size_t end = sql_.find('\n', start);
    if (end == std::string::npos) end = sql_.size();
    std::string line = sql_.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += line + "\r\n";
    start = end + 1;
  }
  return out;
}

TADOParameter& TADOQuery::ParamByName(const std::string& name) {
  for (TADOParameter& p : params_)
    if (strcasecmp(p.Name.c_str(), name.c_str()) == 0) return p;
  throw EADOError("Parameter '" + name + "' not found");
}

void TADOQuery::Run(bool wantRows) {
  if (!connection_) throw EADOError("Missing Connection or ConnectionString");
  sqlite3* db = connection_->Handle();
  std::string sql = TranslateJetSql(sql_);
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &raw, &tail);
  Statement stmt(raw);
  if (rc != SQLITE_OK) throw EADOError(AdoErrorText(db, rc));
  if (!stmt) throw EADOError("Command text was not set for the command object.");
  if (tail && std::string(tail).find_first_not_of(" \t\r\n;") != std::string::npos)
    throw EADOError("Characters found after end of SQL statement.");

  for (const TADOParameter& p : params_) {
    int index = sqlite3_bind_parameter_index(stmt.get(), (":" + p.Name).c_str());
    if (index == 0) continue;
    if (p.Value.IsNull())
      rc = sqlite3_bind_null(stmt.get(), index);
    else if (p.Value.IsInteger())
      rc = sqlite3_bind_int64(stmt.get(), index, p.Value.AsInteger());
    else if (p.Value.IsFloat())
      rc = sqlite3_bind_double(stmt.get(), index, p.Value.AsFloat());
    else {
      std::string text = p.Value.AsString();
      rc = sqlite3_bind_text(stmt.get(), index, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) throw EADOError(AdoErrorText(db, rc));
  }

  int columns = sqlite3_column_count(stmt.get());
  if (wantRows && columns == 0) throw EADOError("The statement returns no rows.");
  std::vector<std::string> names;
  for (int c = 0; c < columns; ++c) names.push_back(sqlite3_column_name(stmt.get(), c));
  std::vector<std::vector<TADOValue>> rows;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    std::vector<TADOValue> row;
    for (int c = 0; c < columns; ++c) {
      switch (sqlite3_column_type(stmt.get(), c)) {
        case SQLITE_INTEGER:
          row.emplace_back(int64_t(sqlite3_column_int64(stmt.get(), c)));
          break;
        case SQLITE_FLOAT:
          row.emplace_back(sqlite3_column_double(stmt.get(), c));
          break;
        case SQLITE_NULL:
          row.emplace_back();
          break;
        default: {
          const unsigned char* t = sqlite3_column_text(stmt.get(), c);
          row.emplace_back(std::string(reinterpret_cast<const char*>(t),
                                       size_t(sqlite3_column_bytes(stmt.get(), c))));
        }
      }
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) throw EADOError(AdoErrorText(db, rc));
  if (wantRows) {
    columns_ = std::move(names);
    rows_ = std::move(rows);
    row_ = 0;
    active_ = true;
  }
}

void TADOQuery::Open() {
  Close();
  Run(true);
}

void TADOQuery::Close() {
  active_ = false;
  columns_.clear();
  rows_.clear();
  row_ = 0;
}

void TADOQuery::First() {
  if (!active_) throw EADOError("Operation is not allowed when the object is closed.");
  row_ = 0;
}

void TADOQuery::Next() {
  if (!active_) throw EADOError("Operation is not allowed when the object is closed.");
  if (row_ < rows_.size()) ++row_;
}

bool TADOQuery::Eof() const {
  return !active_ || row_ >= rows_.size();
}

const TADOValue& TADOQuery::FieldByName(const std::string& name) const {
  if (!active_) throw EADOError("Operation is not allowed when the object is closed.");
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (strcasecmp(columns_[c].c_str(), name.c_str()) != 0) continue;
    if (row_ >= rows_.size())
      throw EADOError("Either BOF or EOF is True, or the current record has been deleted.");
    return rows_[row_][c];
  }
  throw EADOError("Field '" + name + "' not found");
}

int TADOQuery::ExecSQL() {
  Close();
  Run(false);
  return sqlite3_changes(connection_->Handle());
}
