// The base table object: creation of its managers, structure changes, sessions, BLOB checks
// and autoincrement values. Navigation is in VexTableNavigation.cpp.
#include "engine/base/VexTableData.h"

#include <algorithm>

#include "engine/base/VexBasePageManager.h"
#include "engine/base/VexBaseSession.h"
#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexConstraintManager.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexDatabaseData.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexTypesRoutines.h"

int32_t CursorSessionID(const TVexCursor& cursor) {
  return cursor.Session ? cursor.Session->SessionID : -2;
}

TVexTableData::TVexTableData(TVexDatabaseData* database, std::string tableName)
    : Database(database), TableName(std::move(tableName)) {
  if (Database) PageManager = Database->PageManager;
}

TVexTableData::~TVexTableData() {
  // Indexes and constraints refer to the fields and the records; they go first.
  ConstraintManager.reset();
  IndexManager.reset();
  RecordManager.reset();
  FieldManager.reset();
}

void TVexTableData::Lock() {
  if (Database) Database->Lock();
}

void TVexTableData::Unlock() {
  if (Database) Database->Unlock();
}

int32_t TVexTableData::ChangeCounter() const {
  return RecordManager ? RecordManager->ChangeCounter : 0;
}

std::unique_ptr<TVexBaseFieldManager> TVexTableData::NewFieldManager() {
  return std::make_unique<TVexBaseFieldManager>(this);
}

std::unique_ptr<TVexBaseConstraintManager> TVexTableData::NewConstraintManager() {
  return std::make_unique<TVexBaseConstraintManager>(this);
}

void TVexTableData::CreateFieldManager(const TVexFieldDefs& fieldDefs) {
  FieldManager = NewFieldManager();
  TVexFieldDefs& fields = FieldManager->FieldDefs();
  fields.AssignDefs(fieldDefs);
  for (int32_t i = 0; i < fields.Count(); ++i) {
    if (Database) fields[i].ObjectID = Database->GetNextObjectId();
    fields[i].FieldNo = i;
  }
  fields.CalculateLayout();
  FieldManager->ResetCounters();
}

void TVexTableData::CreateIndexManager(const TVexIndexDefs& indexDefs) {
  IndexManager = NewIndexManager();
  TVexIndexDefs copy;
  copy.AssignDefs(indexDefs);
  for (int32_t i = 0; i < copy.Count(); ++i)
    if (Database) copy[i].ObjectID = Database->GetNextObjectId();
  IndexManager->AssignDefs(copy);
}

void TVexTableData::CreateConstraintManager(const TVexConstraintDefs& constraintDefs) {
  ConstraintManager = NewConstraintManager();
  TVexConstraintDefs copy;
  copy.AssignDefs(constraintDefs);
  for (int32_t i = 0; i < copy.Count(); ++i) {
    TVexConstraintDef& constraint = copy[i];
    switch (constraint.ConstraintType()) {
      case vctPrimaryKey:
      case vctUnique:
      case vctNotNull:
      case vctCheck:
        break;
      default:
        throw EVexException(30058, "Not implemented yet");
    }
    if (Database) constraint.ObjectID = Database->GetNextObjectId();
    constraint.References[1].Name = TableName;
  }
  ConstraintManager->AssignDefs(copy);
  ConstraintManager->ResolveIds();
  ConstraintManager->GenerateNames();
}

void TVexTableData::GetRecordLayout(TVexCursor& cursor) {
  const int32_t fieldCount = FieldManager ? FieldManager->FieldDefs().Count() : 0;
  if (fieldCount == 0) {
    if (!cursor.PerOperationOpen)
      throw EVexException(10131, "Error creating table - no fields were specified");
    return;
  }
  const TVexFieldDefs& fields = FieldManager->FieldDefs();
  // The cursor's buffers: the table's record buffer, then the record ID and the status byte.
  cursor.FirstFieldOffset = fields[0].RecordBufferOffset();
  cursor.DataSize = fields.RecordBufferSize();
  cursor.PositionOffset = cursor.DataSize;
  cursor.RecordSizeWithPosition = cursor.DataSize + kVexRecordIDSize;
  cursor.RecordBufferSize = cursor.DataSize + kVexRecordIDSize + 1;
}

void TVexTableData::CommitSession(TVexBaseSession& session, bool inTransaction) {
  if (!inTransaction && PageManager) PageManager->Commit(session.SessionID);
}

void TVexTableData::RollbackSession(TVexBaseSession& session, bool inTransaction) {
  if (!inTransaction && PageManager) PageManager->Rollback(session.SessionID);
}

namespace {
// Whether a cursor other than `except` has the table open.
bool OpenByOtherCursor(const std::vector<TVexCursor*>& cursors, const TVexCursor* except) {
  return std::any_of(cursors.begin(), cursors.end(),
                     [&](const TVexCursor* c) { return c != except; });
}
}  // namespace

void TVexTableData::DeleteTable(TVexCursor* cursor, bool force) {
  if (!force && OpenByOtherCursor(Cursors, cursor))
    throw EVexException(20017, "Cannot delete table '%s'. Table is open by another dataset",
                        {TableName});
}

void TVexTableData::EmptyTable(TVexCursor* cursor) {
  if (FieldManager) FieldManager->ResetCounters();
  if (IndexManager) IndexManager->EmptyIndexes(cursor ? CursorSessionID(*cursor) : -2);
}

void TVexTableData::RenameTable(TVexCursor* cursor, const std::string& newName) {
  if (OpenByOtherCursor(Cursors, cursor))
    throw EVexException(10150, "Cannot rename table '%s'. Table is open by another dataset",
                        {TableName});
  TableName = newName;
}

void TVexTableData::OpenTable(TVexCursor& cursor) {
  if (std::find(Cursors.begin(), Cursors.end(), &cursor) == Cursors.end())
    Cursors.push_back(&cursor);
  InMemory = cursor.InMemory ? 1 : 0;
}

void TVexTableData::CloseTable(TVexCursor& cursor) {
  Cursors.erase(std::remove(Cursors.begin(), Cursors.end(), &cursor), Cursors.end());
}

void TVexTableData::RenameField(const std::string& oldName, const std::string& newName) {
  if (!FieldManager) throw EVexException(30343, "Field '%s' not found", {oldName});
  TVexFieldDefs& fields = FieldManager->FieldDefs();
  const int32_t position = fields.IndexOfName(oldName);
  if (position < 0) throw EVexException(30343, "Field '%s' not found", {oldName});
  const int32_t existing = fields.IndexOfName(newName);
  if (existing >= 0 && existing != position)
    throw EVexException(30344, "Cannot rename field '%s'. Field '%s' already exists",
                        {oldName, newName});
  fields[position].Name = newName;
  if (IndexManager) IndexManager->RenameFieldInIndexes(oldName, newName);
}

void TVexTableData::CreateIndex(const TVexIndexDef& indexDef, TVexCursor& cursor) {
  if (!IndexManager) throw EVexException(10380, "Nil pointer occured");
  // Building the index reads the table; the cursor keeps its place.
  const TVexRecordIDBytes recordID = cursor.CurrentRecordID;
  const bool bof = cursor.Bof, eof = cursor.Eof;
  const int32_t indexID = IndexManager->CreateIndex(&cursor, indexDef);
  cursor.CurrentRecordID = recordID;
  cursor.Bof = bof;
  cursor.Eof = eof;

  const TVexIndexDef* def = IndexManager->IndexDefs().FindByObjectID(indexID);
  if (!def || def->Temporary != 0 || !def->IsUnique() || cursor.SuppressDefaults ||
      !ConstraintManager)
    return;
  TVexConstraintDefs& constraints = ConstraintManager->ConstraintDefs();
  TVexConstraintDefUnique& derived =
      def->Primary ? static_cast<TVexConstraintDefUnique&>(constraints.AddPrimary())
                   : constraints.AddUnique();
  derived.Name = def->Name;
  if (Database) derived.ObjectID = Database->GetNextObjectId();
  derived.References[1].Name = TableName;
  derived.References[2] = {def->Name, def->ObjectID};
  for (const TVexIndexColumn& column : def->Columns)
    derived.Columns.push_back({column.FieldName, -1});
  ConstraintManager->ResolveIds();
}

void TVexTableData::DropIndex(int32_t indexID, TVexCursor& cursor) {
  if (!IndexManager) throw EVexException(10380, "Nil pointer occured");
  const TVexIndexDef* def = IndexManager->IndexDefs().FindByObjectID(indexID);
  if (def && def->Temporary == 0 && ConstraintManager) {
    TVexConstraintDefs& constraints = ConstraintManager->ConstraintDefs();
    for (int32_t i = constraints.Count() - 1; i >= 0; --i) {
      const TVexConstraintDef& constraint = constraints[i];
      if ((constraint.ConstraintType() == vctPrimaryKey ||
           constraint.ConstraintType() == vctUnique) &&
          constraint.References[2].ID == indexID)
        constraints.DeleteDef(i);
    }
  }
  IndexManager->DropIndex(CursorSessionID(cursor), indexID);
}

void TVexTableData::FreeBlobCaches(uint8_t* /*recordBuffer*/) {}

void TVexTableData::FreeBlobCache(uint8_t* /*recordBuffer*/, int32_t /*fieldNo*/) {}

void TVexTableData::CheckBlobFields(uint8_t* recordBuffer) {
  if (!FieldManager || !FieldManager->HasBlobFields()) return;
  const TVexFieldDefs& fields = FieldManager->FieldDefs();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    if (!IsBlobStorageType(fields[i].StorageType())) continue;
    if (fields[i].BlobBlockSize <= 0)
      throw EVexException(10421, "BLOB block size should be > 0 for field %s", {fields[i].Name});
    FreeBlobCache(recordBuffer, i);
  }
}

int64_t TVexTableData::GetNextAutoIncValue(TVexCursor& /*cursor*/, int32_t /*fieldNo*/) {
  return 0;
}

void TVexTableData::RefreshSession(TVexBaseSession& session) {
  if (!IndexManager || !RecordManager) return;
  TVexIndexDefs& defs = IndexManager->IndexDefs();
  for (TVexCursor* cursor : std::vector<TVexCursor*>(Cursors)) {
    if (cursor->Session != &session) continue;
    for (int32_t i = 0; i < defs.Count(); ++i) {
      TVexIndexDef& def = defs[i];
      if (def.Temporary == 0 || def.OwnerSessionID != session.SessionID ||
          def.ChangeCounter == RecordManager->ChangeCounter)
        continue;
      IndexManager->GetIndex(def.ObjectID).RebuildIndex(cursor);
      def.ChangeCounter = RecordManager->ChangeCounter;
    }
  }
}
