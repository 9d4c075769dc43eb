// Index definitions, their stored forms and the search for an index that fits given fields.
#include "engine/base/VexIndexDef.h"

#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexTypesRoutines.h"

void CheckListLengths(size_t l1, size_t l2, int32_t code) {
  if (l1 != l2)
    throw EVexException(code, "Error - different lists length. L1 = %d, L2 = %d", {l1, l2});
}

void TVexIndexColumn::LoadFromStream(TVexStream& stream) {
  FieldName = ReadStoredShortString(stream, 10358, 10359);
  Descending = ReadStoredByte(stream, 10360);
  CaseInsensitive = ReadStoredByte(stream, 10361);
  PrefixLength = ReadStoredInt32(stream, 20168);
}

void TVexIndexColumn::SaveToStream(TVexStream& stream) const {
  WriteStoredShortString(stream, FieldName, 10354, 10355);
  WriteStoredByte(stream, Descending, 10356);
  WriteStoredByte(stream, CaseInsensitive, 10357);
  WriteStoredInt32(stream, PrefixLength, 20169);
}

void TVexIndexDef::AssignDef(const TVexMetaObjectDef& source) {
  TVexMetaObjectDef::AssignDef(source);
  const auto& s = static_cast<const TVexIndexDef&>(source);
  Kind = s.Kind;
  Columns = s.Columns;
  Unique = s.Unique;
  Primary = s.Primary;
  RootPage = s.RootPage;
  Temporary = s.Temporary;
  OwnerSessionID = s.OwnerSessionID;
  ChangeCounter = s.ChangeCounter;
  Reserved = s.Reserved;
}

void TVexIndexDef::LoadFromStream(TVexStream& stream) {
  TVexMetaObjectDef::LoadFromStream(stream);
  Kind = ReadStoredByte(stream, 10349);
  Unique = ReadStoredByte(stream, 10350);
  Primary = ReadStoredByte(stream, 10351);
  const int32_t count = ReadStoredInt32(stream, 10352);
  if (count < 0) RaiseInvalidStoredValue("index column count", count);
  RootPage = ReadStoredInt32(stream, 10353);
  Temporary = 0;
  Columns.clear();
  // Columns are added as they are read, so a damaged count costs nothing in advance.
  for (int32_t i = 0; i < count; ++i) Columns.emplace_back().LoadFromStream(stream);
}

void TVexIndexDef::SaveToStream(TVexStream& stream) const {
  TVexMetaObjectDef::SaveToStream(stream);
  WriteStoredByte(stream, Kind, 10344);
  WriteStoredByte(stream, Unique, 10345);
  WriteStoredByte(stream, Primary, 10346);
  WriteStoredInt32(stream, ColumnCount(), 10347);
  WriteStoredInt32(stream, RootPage, 10348);
  for (const TVexIndexColumn& column : Columns) column.SaveToStream(stream);
}

void TVexIndexDef::SetColumnCount(int32_t count) {
  Columns.resize(size_t(std::max(count, 0)));
}

void TVexIndexDef::SetColumns(const std::vector<std::string>& fieldNames,
                              const std::vector<std::string>& directions,
                              const std::vector<std::string>& caseModes) {
  CheckListLengths(fieldNames.size(), directions.size(), 10278);
  CheckListLengths(fieldNames.size(), caseModes.size(), 10279);
  Columns.clear();
  for (size_t i = 0; i < fieldNames.size(); ++i) {
    TVexIndexColumn& column = Columns.emplace_back();
    column.FieldName = fieldNames[i];
    column.Descending = directions[i] == "DESC";
    column.CaseInsensitive = caseModes[i] == "NO_CASE";
    column.PrefixLength = 20;
  }
}

TVexMetaObjectDef& TVexIndexDefs::AddNew() {
  AddDef(std::make_unique<TVexIndexDef>());
  return *Items_.back();
}

void TVexIndexDefs::SaveToStream(TVexStream& stream) const {
  int32_t count = 0;
  for (int32_t i = 0; i < Count(); ++i) count += (*this)[i].Temporary == 0;
  WriteStoredInt32(stream, count, 10158);
  for (int32_t i = 0; i < Count(); ++i)
    if ((*this)[i].Temporary == 0) (*this)[i].SaveToStream(stream);
}

namespace {
// Whether the index column serves the wanted field, direction and case mode.
bool ColumnFits(const TVexIndexColumn& column, const std::string& fieldName,
                const std::string& direction, const std::string& caseMode,
                const TVexFieldDefs& fieldDefs) {
  if (!SameDefName(column.FieldName, fieldName)) return false;
  if (direction == "ASC" && column.Descending) return false;
  if (direction == "DESC" && !column.Descending) return false;
  if (caseMode == "CASE" && column.CaseInsensitive) {
    const TVexFieldDef* field = fieldDefs.FindByName(fieldName);
    if (field && IsTextStorageType(field->StorageType())) return false;
  }
  if (caseMode == "NO_CASE" && !column.CaseInsensitive) return false;
  return true;
}
}  // namespace

int32_t TVexIndexDefs::FindIndexForFields(const std::vector<std::string>& fieldNames,
                                          const std::vector<std::string>& directions,
                                          const std::vector<std::string>& caseModes,
                                          const TVexFieldDefs& fieldDefs, int32_t sessionID) const {
  CheckListLengths(fieldNames.size(), directions.size(), 10276);
  CheckListLengths(fieldNames.size(), caseModes.size(), 10277);
  for (int32_t i = 0; i < Count(); ++i) {
    const TVexIndexDef& def = (*this)[i];
    if (def.Columns.size() < fieldNames.size()) continue;
    if (def.Temporary != 0 && def.OwnerSessionID != sessionID) continue;
    bool fits = true;
    for (size_t k = 0; k < fieldNames.size() && fits; ++k)
      fits = ColumnFits(def.Columns[k], fieldNames[k], directions[k], caseModes[k], fieldDefs);
    if (fits) return def.ObjectID;
  }
  return -1;
}
