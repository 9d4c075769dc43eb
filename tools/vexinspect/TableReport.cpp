// Reading a table's definitions and rows for vexinspect, and their text, CSV and JSON forms.
#include "tools/vexinspect/TableReport.h"

#include <cstdio>
#include <sstream>

#include "engine/base/VexConverts.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexStrUtils.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexValueConvert.h"
#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/DiskTableStorage.h"
#include "platform/LittleEndian.h"
#include "tools/vexinspect/Report.h"

namespace {

std::string Hex(const uint8_t* p, int32_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (int32_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string IsoDate(int32_t day) {
  return DateToStr(DayNumberToDateTime(day));
}

std::string IsoTime(int32_t ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return buf;
}

std::string FloatText(long double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17Lg", v);
  return buf;
}

// The value of one field of a record buffer as UTF-8 text.
std::string ValueText(const TVexFieldSlot& f, const uint8_t* p) {
  if (IsIntegerStorageType(f.StorageType))
    return std::to_string(ReadStoredInteger(p, f.StorageType));
  if (IsNumericStorageType(f.StorageType)) return FloatText(ReadStoredFloat(p, f.StorageType));
  switch (f.StorageType) {
    case vstChar:
    case vstString:
      return AnsiToUtf8(ReadStoredAnsi(p, f.BufferSize));
    case vstWideChar:
    case vstWideString:
      return WideToUtf8(ReadStoredWide(p, f.BufferSize));
    case vstDate:
      return IsoDate(ReadInt32LE(p));
    case vstTime:
      return IsoTime(ReadInt32LE(p));
    case vstDateTime:
      return IsoDate(ReadInt32LE(p)) + " " + IsoTime(ReadInt32LE(p + 4));
    case vstLogical:
      return ReadUInt16LE(p) ? "true" : "false";
    case vstBytes:
    case vstVarBytes:
      return Hex(p, f.BufferSize);
    default:
      return "BLOB";
  }
}

const char* ConstraintKind(uint8_t type) {
  switch (type) {
    case vctPrimaryKey:
      return "PRIMARY KEY";
    case vctUnique:
      return "UNIQUE";
    case vctNotNull:
      return "NOT NULL";
    case vctCheck:
      return "CHECK";
    default:
      return "?";
  }
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

TInspectTable InspectTable(const std::string& fileName, const TVexPassword& password,
                           const std::string& tableName, bool withRows) {
  TVexDiskDatabaseCatalog db;
  TVexPassword pw = password;
  bool multiUser = false, readOnly = true;
  db.Open(fileName, pw, multiUser, false, readOnly);
  TVexDiskTableStorage table(&db, tableName);
  table.Open(-2, false);
  TInspectTable r;
  r.Name = AnsiToUtf8(table.TableName);
  r.TableId = table.TableId;
  r.RecordCount = table.RecordManager->RecordCount;
  r.RecordsPerPage = table.RecordManager->RecordsPerPage;
  r.StoredRecordSize = table.RecordManager->StoredRecordSize;
  const TVexFieldDefs& fields = table.Metadata.FieldDefs;
  for (int32_t i = 0; i < fields.Count(); ++i) {
    const TVexFieldDef& f = fields[i];
    r.Fields.push_back({AnsiToUtf8(f.Name), DataTypeName(f.DataType()),
                        StorageTypeName(f.StorageType()), f.Length(), f.StoredSize(),
                        IsBlobStorageType(f.StorageType()), IsNumericStorageType(f.StorageType()),
                        f.StorageType() == vstLogical});
  }
  const TVexIndexDefs& indexes = table.Metadata.IndexDefs;
  for (int32_t i = 0; i < indexes.Count(); ++i) {
    TInspectIndex x{
        AnsiToUtf8(indexes[i].Name), {}, indexes[i].Unique != 0, indexes[i].Primary != 0};
    for (const TVexIndexColumn& c : indexes[i].Columns)
      x.Columns.push_back(AnsiToUtf8(c.FieldName) + (c.Descending ? " DESC" : "") +
                          (c.CaseInsensitive ? " NO_CASE" : ""));
    r.Indexes.push_back(x);
  }
  const TVexConstraintDefs& constraints = table.Metadata.ConstraintDefs;
  for (int32_t i = 0; i < constraints.Count(); ++i)
    r.Constraints.push_back({AnsiToUtf8(constraints[i].Name),
                             ConstraintKind(constraints[i].ConstraintType()),
                             AnsiToUtf8(constraints[i].References[2].Name)});
  if (!withRows) return r;
  const TVexRecordLayout& layout = fields.Layout();
  std::vector<uint8_t> row(size_t(layout.RecordBufferSize));
  TVexNavigationRequest nav;
  nav.Mode = 1;
  nav.Bof = true;
  nav.RecordBuffer = row.data();
  for (;;) {
    table.RecordManager->NavigateRecord(-2, nav);
    if (nav.Result != vnrFound) break;
    std::vector<std::string> values;
    std::vector<bool> nulls;
    for (size_t i = 0; i < layout.Fields.size(); ++i) {
      bool isNull = GetNullBit(row.data(), int32_t(i));
      nulls.push_back(isNull);
      values.push_back(
          isNull ? "" : ValueText(layout.Fields[i], row.data() + layout.Fields[i].BufferOffset));
    }
    r.Rows.push_back(std::move(values));
    r.Null.push_back(std::move(nulls));
  }
  return r;
}

std::string RenderTableText(const TInspectTable& t) {
  std::ostringstream o;
  o << "Table:                " << t.Name << " (id " << t.TableId << ")\n"
    << "Records:              " << t.RecordCount << "\n"
    << "Stored record size:   " << t.StoredRecordSize << "\n"
    << "Records per page:     " << t.RecordsPerPage << "\n"
    << "\nFields (" << t.Fields.size() << "):\n";
  for (const TInspectField& f : t.Fields) {
    o << "  " << f.Name << ": " << f.DataType;
    if (f.Length) o << "(" << f.Length << ")";
    o << ", stored as " << f.StorageType << " in " << f.StoredSize << " bytes\n";
  }
  o << "\nIndexes (" << t.Indexes.size() << "):\n";
  for (const TInspectIndex& x : t.Indexes) {
    o << "  " << x.Name << (x.Primary ? " PRIMARY" : x.Unique ? " UNIQUE" : "") << ":";
    for (size_t i = 0; i < x.Columns.size(); ++i) o << (i ? ", " : " ") << x.Columns[i];
    o << "\n";
  }
  o << "\nConstraints (" << t.Constraints.size() << "):\n";
  for (const TInspectConstraint& c : t.Constraints)
    o << "  " << c.Name << ": " << c.Kind << (c.Subject.empty() ? "" : " on " + c.Subject) << "\n";
  return o.str();
}

std::string RenderTableJson(const TInspectTable& t) {
  std::ostringstream o;
  o << "{\n  \"table\": " << JsonString(t.Name) << ",\n  \"tableId\": " << t.TableId
    << ",\n  \"recordCount\": " << t.RecordCount
    << ",\n  \"storedRecordSize\": " << t.StoredRecordSize
    << ",\n  \"recordsPerPage\": " << t.RecordsPerPage << ",\n  \"fields\": [";
  for (size_t i = 0; i < t.Fields.size(); ++i) {
    const TInspectField& f = t.Fields[i];
    o << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(f.Name)
      << ", \"type\": " << JsonString(f.DataType) << ", \"length\": " << f.Length
      << ", \"storage\": " << JsonString(f.StorageType) << ", \"storedSize\": " << f.StoredSize
      << "}";
  }
  o << (t.Fields.empty() ? "" : "\n  ") << "],\n  \"indexes\": [";
  for (size_t i = 0; i < t.Indexes.size(); ++i) {
    const TInspectIndex& x = t.Indexes[i];
    o << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(x.Name)
      << ", \"unique\": " << (x.Unique ? "true" : "false")
      << ", \"primary\": " << (x.Primary ? "true" : "false") << ", \"columns\": [";
    for (size_t k = 0; k < x.Columns.size(); ++k) o << (k ? ", " : "") << JsonString(x.Columns[k]);
    o << "]}";
  }
  o << (t.Indexes.empty() ? "" : "\n  ") << "],\n  \"constraints\": [";
  for (size_t i = 0; i < t.Constraints.size(); ++i) {
    const TInspectConstraint& c = t.Constraints[i];
    o << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(c.Name)
      << ", \"kind\": " << JsonString(c.Kind) << ", \"subject\": " << JsonString(c.Subject) << "}";
  }
  o << (t.Constraints.empty() ? "" : "\n  ") << "]\n}\n";
  return o.str();
}

std::string RenderRowsCsv(const TInspectTable& t) {
  std::string out;
  for (size_t i = 0; i < t.Fields.size(); ++i) out += (i ? "," : "") + CsvField(t.Fields[i].Name);
  out += "\n";
  for (size_t r = 0; r < t.Rows.size(); ++r) {
    for (size_t i = 0; i < t.Rows[r].size(); ++i)
      out += (i ? "," : "") + (t.Null[r][i] ? std::string() : CsvField(t.Rows[r][i]));
    out += "\n";
  }
  return out;
}

std::string RenderRowsJson(const TInspectTable& t) {
  std::string out = "[";
  for (size_t r = 0; r < t.Rows.size(); ++r) {
    out += r ? ",\n  {" : "\n  {";
    for (size_t i = 0; i < t.Rows[r].size(); ++i) {
      out += (i ? ", " : "") + JsonString(t.Fields[i].Name) + ": ";
      if (t.Null[r][i])
        out += "null";
      else if ((t.Fields[i].IsNumeric &&
                t.Rows[r][i].find_first_of("in") == std::string::npos) ||  // not inf or nan
               t.Fields[i].IsLogical)
        out += t.Rows[r][i];
      else
        out += JsonString(t.Rows[r][i]);
    }
    out += "}";
  }
  return out + (t.Rows.empty() ? "]\n" : "\n]\n");
}
