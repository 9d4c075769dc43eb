// A test table in the in-memory database, opened by one cursor, with helpers to fill rows of
// integer and text fields and to read them back in the cursor's order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "tests/engine/base/MemoryTableDoubles.h"
#include "tests/engine/base/TestCursor.h"

class TMemTableFixture {
 public:
  using TRow = std::vector<std::optional<int64_t>>;

  TMemTableFixture() {
    Cursor.TableName = "T";
    Cursor.Session = &Session;
    Database.ConnectSession(Session);
  }

  TVexFieldDef& AddField(const char* name, TVexDataType type, int32_t length = 0) {
    TVexFieldDef& def = Cursor.TableFields.AddFieldDef();
    def.Name = name;
    def.SetDataType(type, length);
    return def;
  }
  TVexIndexDef& AddIndex(const char* name, const std::vector<std::string>& columns,
                         bool unique = false) {
    TVexIndexDef& def = Indexes.AddIndexDef();
    def.Name = name;
    def.SetColumns(columns, std::vector<std::string>(columns.size()),
                   std::vector<std::string>(columns.size()));
    def.Unique = unique ? 1 : 0;
    return def;
  }

  // Creates the table from the fields, indexes and constraints given so far and opens it.
  void Open() {
    Cursor.InitFieldDefs();
    Table = &static_cast<TMemTable&>(Database.GetTableData(Cursor));
    Table->CreateTable(Cursor, Cursor.TableFields, Indexes, Constraints);
    Table->OpenTable(Cursor);
    Table->GetRecordLayout(Cursor);
    Cursor.RecordBuffer = Cursor.AllocRecordBuffer();
    Cursor.Bof = true;
  }

  // Makes the named index the cursor's active index (empty: none).
  void UseIndex(const std::string& name, int32_t keyFieldCount = 0) {
    Cursor.IndexDefs = std::make_unique<TVexIndexDefs>();
    Cursor.IndexDefs->AssignDefs(Table->IndexManager->IndexDefs());
    Cursor.SetIndexName(name);
    Cursor.KeyFieldCount = keyFieldCount;
  }

  // A new row: every field NULL, then defaults when asked, then the given integer values.
  void NewRow(const TRow& values, bool defaults = false) {
    Cursor.InitRecord(Cursor.RecordBuffer.Data(), false);
    if (defaults) Table->FieldManager->ApplyDefaults(&Session, Cursor.RecordBuffer.Data());
    for (size_t i = 0; i < values.size(); ++i)
      if (values[i]) SetInt(int32_t(i), *values[i]);
  }
  void SetInt(int32_t fieldNo, int64_t value) {
    TVexVariant v;
    v.SetAsLargeInt(value);
    Cursor.SetFieldValue(v, fieldNo, nullptr, true);
  }
  void SetText(int32_t fieldNo, const std::string& text) {
    TVexVariant v;
    v.SetAsString(text);
    Cursor.SetFieldValue(v, fieldNo, nullptr, true);
  }
  void Insert(const TRow& values) {
    NewRow(values);
    Table->InsertRecord(Cursor);
  }

  std::optional<int64_t> Int(int32_t fieldNo) const {
    TVexVariant v;
    Cursor.GetFieldValue(v, fieldNo, true);
    if (v.IsNull()) return std::nullopt;
    return v.AsLargeInt();
  }
  std::string Text(int32_t fieldNo) const {
    TVexVariant v;
    Cursor.GetFieldValue(v, fieldNo, true);
    return v.IsNull() ? "<null>" : v.AsString();
  }

  void First() {
    Cursor.Bof = true;
    Cursor.Eof = false;
  }
  void Last() {
    Cursor.Bof = false;
    Cursor.Eof = true;
  }
  // Field fieldNo of every row the cursor delivers from First (grmNext) or Last (grmPrior).
  std::vector<int64_t> Scan(int32_t fieldNo, TVexGetRecordMode mode = grmNext) {
    mode == grmNext ? First() : Last();
    std::vector<int64_t> values;
    while (values.size() < 1000 && Table->GetRecord(Cursor, mode) == vnrFound)
      values.push_back(Int(fieldNo).value_or(-1));
    return values;
  }

  TMemDatabase Database;
  TMemSession Session;
  TTestCursor Cursor;
  TVexIndexDefs Indexes;
  TVexConstraintDefs Constraints;
  TMemTable* Table = nullptr;
};
