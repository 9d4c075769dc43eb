// What vexinspect shows of one table: its fields, indexes and constraints from the metadata
// file, and its rows in sequential-scan order as CSV or JSON (BLOB fields as "BLOB").
#pragma once

#include <string>
#include <vector>

#include "engine/storage/VexPassword.h"

struct TInspectField {
  std::string Name, DataType, StorageType;
  int32_t Length = 0, StoredSize = 0;
  bool IsBlob = false;
  bool IsNumeric = false;  // written as JSON numbers
  bool IsLogical = false;  // written as JSON true/false
};

struct TInspectIndex {
  std::string Name;
  std::vector<std::string> Columns;  // "name", with " DESC" and " NO_CASE" as set
  bool Unique = false, Primary = false;
};

struct TInspectConstraint {
  std::string Name, Kind, Subject;
};

struct TInspectTable {
  std::string Name;
  int32_t TableId = -1;
  int64_t RecordCount = 0;
  int32_t RecordsPerPage = 0;
  int32_t StoredRecordSize = 0;
  std::vector<TInspectField> Fields;
  std::vector<TInspectIndex> Indexes;
  std::vector<TInspectConstraint> Constraints;
  // Each row's values as UTF-8 text in field order; Null marks the NULL values.
  std::vector<std::vector<std::string>> Rows;
  std::vector<std::vector<bool>> Null;
};

// Opens the file read-only and reads the table; rows only when withRows is set.
TInspectTable InspectTable(const std::string& fileName, const TVexPassword& password,
                           const std::string& tableName, bool withRows);

std::string RenderTableText(const TInspectTable& table);
std::string RenderTableJson(const TInspectTable& table);
// Rows: a header line of field names, then one line per row; NULL is an empty field and
// text with commas, quotes or line breaks is quoted.
std::string RenderRowsCsv(const TInspectTable& table);
std::string RenderRowsJson(const TInspectTable& table);
