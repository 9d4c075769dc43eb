// The Vivirav Irarude database as the window uses it: a file name, connected or not, and one
// query whose rows the import reads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ado/AdoValue.h"

// The query on the Vivirav Irarude database: SQL text with named parameters, read row by row.
// Field values come as integers or texts (UTF-8), ready to bind to the server's statements.
class ILicenseQuery {
 public:
  virtual ~ILicenseQuery() = default;
  // Replaces the statement; an open result is closed first.
  virtual void SetSQLText(const std::string& text) = 0;
  // The statement in whole-text form: each line ended by a carriage return and line feed.
  virtual std::string SQLText() const = 0;
  virtual void SetParamInteger(const std::string& name, int64_t value) = 0;
  virtual void Open() = 0;
  virtual void First() = 0;
  virtual void Next() = 0;
  virtual bool Eof() const = 0;
  virtual void Close() = 0;
  virtual TADOValue FieldValue(const std::string& name) const = 0;
};

class ILicenseDatabase {
 public:
  virtual ~ILicenseDatabase() = default;
  virtual void SetFileName(const std::string& path) = 0;
  // Opens the file read-only; raises an Exception on failure.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
  // The query component on this database.
  virtual ILicenseQuery& Query() = 0;
};

// Until the engine's database component is wired in, opening a database is refused with a
// clear message, so an existing file is never reported as connected; its query has no rows.
class TUnavailableLicenseDatabase : public ILicenseDatabase {
 public:
  void SetFileName(const std::string& path) override { fileName_ = path; }
  void Open() override;
  void Close() override {}
  bool Connected() const override { return false; }
  ILicenseQuery& Query() override { return query_; }

 private:
  class TNoQuery : public ILicenseQuery {
   public:
    void SetSQLText(const std::string& text) override { sql_ = text; }
    std::string SQLText() const override { return sql_.empty() ? sql_ : sql_ + "\r\n"; }
    void SetParamInteger(const std::string&, int64_t) override {}
    void Open() override;
    void First() override {}
    void Next() override {}
    bool Eof() const override { return true; }
    void Close() override {}
    TADOValue FieldValue(const std::string& name) const override;

   private:
    std::string sql_;
  };

  std::string fileName_;
  TNoQuery query_;
};
