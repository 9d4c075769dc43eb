// A statement on the server database connection: its SQL text with ":Name" parameters,
// row-returning open with first/next/end-of-data and fields by name, or execution.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ado/AdoValue.h"

class TADOConnection;

// A named parameter of a statement.
struct TADOParameter {
  std::string Name;
  TADOValue Value;
};

class TADOQuery {
 public:
  explicit TADOQuery(TADOConnection* connection) : connection_(connection) {}

  // Replaces the statement (closing an open result); every ":Name" marker becomes a parameter.
  void SetSQLText(const std::string& text);
  // The statement in whole-text form: each line ended by a carriage return and line feed.
  std::string SQLText() const;

  // The parameter of that name (letter case ignored); raises when there is none.
  TADOParameter& ParamByName(const std::string& name);
  const std::vector<TADOParameter>& Parameters() const { return params_; }

  void Open();
  void Close();
  bool Active() const { return active_; }
  void First();
  void Next();
  bool Eof() const;
  // The value of the current row's column (letter case ignored).
  const TADOValue& FieldByName(const std::string& name) const;
  // Runs a statement that returns no rows; the number of rows it changed.
  int ExecSQL();

 private:
  void Run(bool wantRows);

  TADOConnection* connection_;
  std::string sql_;
  std::vector<TADOParameter> params_;
  std::vector<std::string> columns_;
  std::vector<std::vector<TADOValue>> rows_;
  size_t row_ = 0;
  bool active_ = false;
};
