// TVexDiskTableData: the table slots of a disk table over its stores and the base managers.
#include "engine/storage/DiskTableData.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexConstraintManager.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "engine/storage/DiskDatabaseData.h"
#include "engine/storage/VexBTreeRecordIndex.h"

namespace {
constexpr uint8_t kSharedOpenLock = 0;
constexpr uint8_t kReadLock = 1;
constexpr uint8_t kExclusiveOpenLock = 6;

[[noreturn]] void NotImplemented() {
  throw EVexException(30040, "Not implemented yet");
}
}  // namespace

TVexDiskTableData::TVexDiskTableData(TVexDiskDatabaseData* database, std::string tableName)
    : TVexTableData(database, tableName),
      DiskDatabase(database),
      Storage(std::make_unique<TVexDiskTableStorage>(&database->Catalog, std::move(tableName),
                                                     &RecordManager)) {
  PageManager = database->Catalog.PageManager.get();
  CostPageSize = database->Catalog.PageManager->PageSize;
}

TVexDiskTableData::~TVexDiskTableData() {
  FreeManagers();
}

TVexDiskRecordManager& TVexDiskTableData::Records() {
  if (!Storage->RecordManager) throw EVexException(20176, "Pointer is nil");
  return *Storage->RecordManager;
}

std::unique_ptr<TVexBaseIndexManager> TVexDiskTableData::NewIndexManager() {
  return std::make_unique<TVexBTreeIndexManager>(this, IndexPageManager.get(),
                                                 IndexPageManager.get());
}

// ---- Managers

void TVexDiskTableData::CreateRecordManager() {
  Storage->CreateRecordManager();
}

void TVexDiskTableData::CreateIndexManager(const TVexIndexDefs& indexDefs) {
  IndexPageManager = std::make_unique<TVexTemporaryPageManager>();
  TVexTableData::CreateIndexManager(indexDefs);
}

void TVexDiskTableData::CreateConstraintManager(const TVexConstraintDefs& constraintDefs) {
  for (int32_t i = 0; i < constraintDefs.Count(); ++i) {
    const TVexConstraintType kind = constraintDefs[i].ConstraintType();
    if (kind != vctPrimaryKey && kind != vctUnique && kind != vctNotNull && kind != vctCheck)
      NotImplemented();
  }
  TVexTableData::CreateConstraintManager(constraintDefs);
}

void TVexDiskTableData::CreateManagersFromStorage(TVexCursor& cursor) {
  const TVexDiskTableMetadata& metadata = Storage->Metadata;
  FieldManager = NewFieldManager();
  TVexFieldDefs& fields = FieldManager->FieldDefs();
  fields.AssignDefs(metadata.FieldDefs);
  for (int32_t i = 0; i < fields.Count(); ++i) fields[i].FieldNo = i;
  fields.CalculateLayout();
  FieldManager->ResetCounters();
  ConstraintManager = NewConstraintManager();
  ConstraintManager->AssignDefs(metadata.ConstraintDefs);
  ConstraintManager->ResolveIds();
  IndexPageManager = std::make_unique<TVexTemporaryPageManager>();
  IndexManager = NewIndexManager();
  IndexManager->AssignDefs(metadata.IndexDefs);
  LoadHeader(CursorSessionID(cursor));
  RebuildUserIndexes(&cursor);
}

void TVexDiskTableData::FreeManagers() {
  IndexManager.reset();
  ConstraintManager.reset();
  FieldManager.reset();
  IndexPageManager.reset();
  if (Storage) Storage->Close();
  IndexesVersion_ = -1;
  TableVersion = -1;
}

void TVexDiskTableData::RebuildUserIndexes(TVexCursor* cursor) {
  if (!IndexManager) return;
  // The pages of the indexes live in this process only. At the first open, after another
  // writer changed the table and after a rollback (the in-memory pages cannot undo a
  // change) they are built again from the rows, in fresh pages.
  TVexIndexDefs defs;
  defs.AssignDefs(IndexManager->IndexDefs());
  IndexManager.reset();
  IndexPageManager = std::make_unique<TVexTemporaryPageManager>();
  IndexManager = NewIndexManager();
  IndexManager->AssignDefs(defs);
  TVexIndexDefs& current = IndexManager->IndexDefs();
  for (int32_t i = 0; i < current.Count(); ++i) {
    current[i].RootPage = -1;
    IndexManager->GetIndex(current[i].ObjectID).RebuildIndex(cursor);
  }
  if (cursor && cursor->Session) IndexPageManager->Commit(cursor->Session->SessionID);
  IndexesVersion_ = TableVersion;
}

// ---- Header and metadata

void TVexDiskTableData::LoadHeader(int32_t sessionId) {
  Storage->LoadHeader(sessionId);
  if (FieldManager) {
    const std::vector<int64_t>& counters = Storage->Counters;
    const int32_t n =
        std::min<int32_t>(int32_t(counters.size()), FieldManager->FieldDefs().Count());
    for (int32_t i = 0; i < n; ++i) FieldManager->SetCounter(i, counters[size_t(i)]);
  }
  TableVersion = Storage->TableVersion;
  PageManager = DiskDatabase->Catalog.PageManager.get();
}

void TVexDiskTableData::SaveHeader(int32_t sessionId) {
  if (FieldManager) Storage->Counters = FieldManager->Counters();
  Storage->SaveHeader(sessionId);
  TableVersion = Storage->TableVersion;
}

void TVexDiskTableData::SaveMetadata(int32_t sessionId) {
  TVexDiskTableMetadata& metadata = Storage->Metadata;
  if (FieldManager) {
    // Only names change while a table is open; the layout the record manager uses stays.
    const TVexFieldDefs& fields = FieldManager->FieldDefs();
    for (int32_t i = 0; i < fields.Count() && i < metadata.FieldDefs.Count(); ++i)
      metadata.FieldDefs[i].Name = fields[i].Name;
  }
  if (IndexManager) metadata.IndexDefs.AssignDefs(IndexManager->IndexDefs());
  if (ConstraintManager) metadata.ConstraintDefs.AssignDefs(ConstraintManager->ConstraintDefs());
  Storage->SaveMetadata(sessionId);
}

// ---- Read lock

template <class F>
auto TVexDiskTableData::WithReadLock(TVexCursor& cursor, int32_t code, F&& op) -> decltype(op()) {
  std::lock_guard guard(Database->CriticalSection);
  TVexDiskDatabaseCatalog& catalog = DiskDatabase->Catalog;
  if (!DiskDatabase->MultiUser) return op();
  const int32_t sessionId = CursorSessionID(cursor);
  if (!catalog.TableLockManager->LockTable(sessionId, Storage->LocksFile, kReadLock, ReadLockTries,
                                           ReadLockDelayMs))
    throw EVexException(code, "Table is locked");
  struct TUnlock {
    TVexDiskTableData* Self;
    int32_t SessionId;
    ~TUnlock() {
      TVexDiskDatabaseCatalog& c = Self->DiskDatabase->Catalog;
      c.PageManager->TablePagesCache.PopTable(SessionId);
      c.TableLockManager->UnlockTable(SessionId, Self->Storage->LocksFile, kReadLock);
    }
  } unlock{this, sessionId};
  catalog.PageManager->TablePagesCache.PushTable(sessionId, Storage->TableId);
  LoadHeader(sessionId);
  if (TableVersion != IndexesVersion_) RebuildUserIndexes(&cursor);
  return op();
}

// ---- Transactions

void TVexDiskTableData::CommitSession(TVexBaseSession& session, bool inTransaction) {
  std::lock_guard guard(Database->CriticalSection);
  TVexTableData::CommitSession(session, inTransaction);
  if (IndexPageManager) IndexPageManager->Commit(session.SessionID);
}

void TVexDiskTableData::RollbackSession(TVexBaseSession& session, bool inTransaction) {
  std::lock_guard guard(Database->CriticalSection);
  TVexTableData::RollbackSession(session, inTransaction);
  if (IndexPageManager) IndexPageManager->Rollback(session.SessionID);
  // Counts and counters as the file holds them again; the indexes follow the rows.
  if (!inTransaction && Storage->IsOpen()) RefreshSession(session);
}

// ---- Structure changes

void TVexDiskTableData::CreateTable(TVexCursor& cursor, const TVexFieldDefs& fieldDefs,
                                    const TVexIndexDefs& indexDefs,
                                    const TVexConstraintDefs& constraintDefs) {
  std::lock_guard guard(Database->CriticalSection);
  if (fieldDefs.Count() == 0)
    throw EVexException(20128, "Error creating table - no fields were specified");
  if (!Cursors.empty() || Storage->IsOpen())
    throw EVexException(20017, "Cannot delete table '%s'. Table is open by another dataset",
                        {TableName});
  // The managers give the definitions their object IDs, constraint names and checks.
  CreateFieldManager(fieldDefs);
  try {
    CreateConstraintManager(constraintDefs);
    CreateIndexManager(indexDefs);
    Storage->Create(FieldManager->FieldDefs(), IndexManager->IndexDefs(),
                    ConstraintManager->ConstraintDefs());
  } catch (...) {
    FreeManagers();
    throw;
  }
  (void)cursor;
  FreeManagers();
}

void TVexDiskTableData::ProveUnused(int32_t sessionId) {
  Storage->LockForCursor(sessionId, true, 0);
  Storage->UnlockForCursor(sessionId, true);
}

void TVexDiskTableData::DeleteTable(TVexCursor* cursor, bool force) {
  std::lock_guard guard(Database->CriticalSection);
  TVexTableData::DeleteTable(cursor, force);
  const int32_t sessionId = cursor ? CursorSessionID(*cursor) : -2;
  StructureChangeInProgress = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{StructureChangeInProgress};
  for (TVexCursor* open : std::vector<TVexCursor*>(Cursors)) CloseTable(*open);
  FreeManagers();
  Storage->Open(-2, false);
  try {
    ProveUnused(sessionId);
  } catch (...) {
    Storage->Close();
    throw;
  }
  Storage->Delete();
  FreeManagers();
}

void TVexDiskTableData::EmptyTable(TVexCursor* cursor) {
  std::lock_guard guard(Database->CriticalSection);
  const int32_t sessionId = cursor ? CursorSessionID(*cursor) : -2;
  const bool wasOpen = Storage->IsOpen();
  if (!wasOpen) Storage->Open(sessionId, false);
  try {
    if (Cursors.empty()) ProveUnused(sessionId);
    TVexTableData::EmptyTable(cursor);
    Storage->Empty(sessionId);
    if (FieldManager) SaveHeader(sessionId);
    if (IndexPageManager) IndexPageManager->Commit(sessionId);
    IndexesVersion_ = TableVersion;
    DiskDatabase->Catalog.PageManager->Commit(sessionId);
  } catch (...) {
    if (!wasOpen) Storage->Close();
    throw;
  }
  if (!wasOpen) Storage->Close();
}

void TVexDiskTableData::RenameTable(TVexCursor* cursor, const std::string& newName) {
  std::lock_guard guard(Database->CriticalSection);
  if (std::any_of(Cursors.begin(), Cursors.end(), [&](TVexCursor* c) { return c != cursor; }))
    throw EVexException(10150, "Cannot rename table '%s'. Table is open by another dataset",
                        {TableName});
  const int32_t sessionId = cursor ? CursorSessionID(*cursor) : -2;
  const bool wasOpen = Storage->IsOpen();
  {
    TVexTablesLock tablesLock(*DiskDatabase->Catalog.PageManager);
    if (!wasOpen) Storage->Open(-2, false);
    try {
      if (Cursors.empty()) ProveUnused(sessionId);
    } catch (...) {
      if (!wasOpen) Storage->Close();
      throw;
    }
    if (!wasOpen) Storage->Close();
  }
  Storage->Rename(newName);
  TableName = Storage->TableName;
}

void TVexDiskTableData::RenameField(const std::string& oldName, const std::string& newName) {
  std::lock_guard guard(Database->CriticalSection);
  TVexTableData::RenameField(oldName, newName);
  SaveMetadata(-2);
  DiskDatabase->Catalog.PageManager->Commit(-2);
}

void TVexDiskTableData::CreateIndex(const TVexIndexDef& indexDef, TVexCursor& cursor) {
  std::lock_guard guard(Database->CriticalSection);
  TVexTableData::CreateIndex(indexDef, cursor);
  SaveMetadata(CursorSessionID(cursor));
  if (cursor.Session) CommitSession(*cursor.Session, cursor.Session->InTransaction);
}

void TVexDiskTableData::DropIndex(int32_t indexID, TVexCursor& cursor) {
  std::lock_guard guard(Database->CriticalSection);
  const TVexIndexDef* def =
      IndexManager ? IndexManager->IndexDefs().FindByObjectID(indexID) : nullptr;
  const bool temporary = def && def->Temporary != 0;
  TVexTableData::DropIndex(indexID, cursor);
  if (!temporary) SaveMetadata(CursorSessionID(cursor));
  if (cursor.Session) CommitSession(*cursor.Session, cursor.Session->InTransaction);
}

// ---- Opening and closing for a cursor

void TVexDiskTableData::OpenTable(TVexCursor& cursor) {
  std::lock_guard guard(Database->CriticalSection);
  std::unique_ptr<TVexTablesLock> tablesLock;
  if (!StructureChangeInProgress)
    tablesLock = std::make_unique<TVexTablesLock>(*DiskDatabase->Catalog.PageManager);
  if (std::find(Cursors.begin(), Cursors.end(), &cursor) != Cursors.end()) return;
  const int32_t sessionId = CursorSessionID(cursor);
  if (!Cursors.empty() && cursor.Exclusive && !Storage->OpenedExclusively)
    throw EVexException(
        20242,
        "Cannot access table '%s' in exclusive mode. Probably the table is open by another cursors",
        {TableName});
  const bool first = Cursors.empty();
  if (first) {
    try {
      Storage->Open(sessionId, Verify);
      TableName = Storage->TableName;
      CreateManagersFromStorage(cursor);
    } catch (...) {
      FreeManagers();
      throw;
    }
  }
  TVexTableData::OpenTable(cursor);
  try {
    Storage->LockForCursor(sessionId, cursor.Exclusive, int32_t(Cursors.size()) - 1);
  } catch (...) {
    TVexTableData::CloseTable(cursor);
    if (Cursors.empty()) FreeManagers();
    throw;
  }
  LockHolders_.push_back(&cursor);
}

void TVexDiskTableData::CloseTable(TVexCursor& cursor) {
  std::lock_guard guard(Database->CriticalSection);
  if (std::find(Cursors.begin(), Cursors.end(), &cursor) == Cursors.end()) return;
  auto holder = std::find(LockHolders_.begin(), LockHolders_.end(), &cursor);
  if (holder != LockHolders_.end()) {
    LockHolders_.erase(holder);
    if (Storage->IsOpen())
      Storage->UnlockForCursor(CursorSessionID(cursor), Storage->OpenedExclusively);
  }
  TVexTableData::CloseTable(cursor);
  if (Cursors.empty()) FreeManagers();
}

// ---- Record numbers

int64_t TVexDiskTableData::GetRecordNumberLimit(int32_t sessionID) {
  std::lock_guard guard(Database->CriticalSection);
  TVexDiskRecordManager& records = Records();
  int32_t lastPage = -1;
  if (records.PageIndex.RootPageNo() < 0 || !records.PageIndex.LastPage(sessionID, lastPage))
    return 1;
  return (int64_t(lastPage) + 1) * records.RecordsPerPage;
}

int64_t TVexDiskTableData::RecordIdToNumber(const TVexRecordIDBytes& recordID) {
  return Records().RecordIdToNumber(ToDiskRecordId(recordID));
}

TVexRecordIDBytes TVexDiskTableData::NumberToRecordId(int64_t recordNumber) {
  return ToRecordIDBytes(Records().NumberToRecordId(recordNumber));
}

// ---- Navigation under the read lock

int32_t TVexDiskTableData::GetRecord(TVexCursor& cursor, TVexGetRecordMode mode) {
  try {
    return WithReadLock(cursor, 20213, [&] { return TVexTableData::GetRecord(cursor, mode); });
  } catch (const EVexException& e) {
    if (e.NativeError() == 20213) return vgrNotFound;
    throw;
  }
}

bool TVexDiskTableData::FindByCondition(TVexCursor& cursor, TVexExpression* expression,
                                        TVexGetRecordMode mode) {
  return WithReadLock(cursor, 20214,
                      [&] { return TVexTableData::FindByCondition(cursor, expression, mode); });
}

bool TVexDiskTableData::FindByKey(TVexCursor& cursor, TVexScanSearchCondition& keyCondition,
                                  TVexGetRecordMode mode) {
  return WithReadLock(cursor, 20215,
                      [&] { return TVexTableData::FindByKey(cursor, keyCondition, mode); });
}

void TVexDiskTableData::GoToRecordNumber(TVexCursor& cursor, int64_t recordNumber) {
  WithReadLock(cursor, 20216, [&] { TVexTableData::GoToRecordNumber(cursor, recordNumber); });
}

int64_t TVexDiskTableData::GetRecordNumber(TVexCursor& cursor) {
  return WithReadLock(cursor, 20217, [&] { return TVexTableData::GetRecordNumber(cursor); });
}

void TVexDiskTableData::GoToPhysicalRecordNumber(TVexCursor& cursor, int64_t recordNumber) {
  WithReadLock(cursor, 20219, [&] {
    const int32_t sessionId = CursorSessionID(cursor);
    const TVexDiskRecordId id = Records().GoToRecordNumber(sessionId, recordNumber);
    TVexNavigationRequest request;
    request.Mode = grmCurrent;
    request.RecordID = ToRecordIDBytes(id);
    request.RecordBuffer = cursor.RecordBuffer.Data();
    Records().NavigateRecord(sessionId, request);
    if (request.Result != 0)
      throw EVexException(20113, "Cannot set RecNo greater than RecordCount");
    cursor.CurrentRecordID = request.RecordID;
    cursor.Bof = cursor.Eof = false;
  });
}

int64_t TVexDiskTableData::GetPhysicalRecordNumber(TVexCursor& cursor) {
  return WithReadLock(cursor, 20220, [&] {
    return Records().GetRecordNumber(CursorSessionID(cursor),
                                     ToDiskRecordId(cursor.CurrentRecordID));
  });
}

int64_t TVexDiskTableData::GetRecordCount(TVexCursor& cursor) {
  return WithReadLock(cursor, 20218, [&] { return Records().RecordCount; });
}

// ---- Row changes

void TVexDiskTableData::RowChanged(TVexCursor& cursor) {
  const int32_t sessionId = CursorSessionID(cursor);
  SaveHeader(sessionId);
  IndexesVersion_ = TableVersion;
  DiskDatabase->TableModified(sessionId, this);
}

bool TVexDiskTableData::InsertRecord(TVexCursor& cursor) {
  return WithReadLock(cursor, 20212, [&] {
    const int32_t sessionId = CursorSessionID(cursor);
    uint8_t* buffer = cursor.RecordBuffer.Data();
    FieldManager->ApplyAutoIncs(cursor.Session, buffer);
    ConstraintManager->CheckRecord(sessionId, buffer, true, cursor.CurrentRecordID, true);
    TVexRecordIDBytes id{};
    if (!Records().AddRecord(sessionId, buffer, id)) return false;
    cursor.CurrentRecordID = id;
    IndexManager->InsertKeys(cursor);
    cursor.Bof = cursor.Eof = false;
    RowChanged(cursor);
    return true;
  });
}

bool TVexDiskTableData::DeleteRecord(TVexCursor& cursor) {
  return WithReadLock(cursor, 20212, [&] {
    IndexManager->DeleteKeys(cursor);
    if (!Records().RemoveRecord(CursorSessionID(cursor), cursor.CurrentRecordID)) return false;
    RowChanged(cursor);
    return true;
  });
}

bool TVexDiskTableData::UpdateRecord(TVexCursor& cursor) {
  return WithReadLock(cursor, 20212, [&] {
    const int32_t sessionId = CursorSessionID(cursor);
    uint8_t* buffer = cursor.RecordBuffer.Data();
    ConstraintManager->CheckRecord(sessionId, buffer, false, cursor.CurrentRecordID, true);
    IndexManager->UpdateKeys(cursor, true);
    const bool done = Records().ModifyRecord(sessionId, buffer, cursor.CurrentRecordID);
    IndexManager->UpdateKeys(cursor, false);
    if (done) RowChanged(cursor);
    return done;
  });
}

int64_t TVexDiskTableData::GetNextAutoIncValue(TVexCursor& cursor, int32_t fieldNo) {
  return WithReadLock(cursor, 20212, [&] {
    const int64_t value = FieldManager->NextSessionValue(cursor.Session, fieldNo);
    SaveHeader(CursorSessionID(cursor));
    IndexesVersion_ = TableVersion;
    return value;
  });
}

void TVexDiskTableData::RefreshSession(TVexBaseSession& session) {
  std::lock_guard guard(Database->CriticalSection);
  if (!Storage->IsOpen()) return;
  LoadHeader(session.SessionID);
  if (IndexPageManager) IndexPageManager->Rollback(session.SessionID);
  if (TableVersion != IndexesVersion_ && !Cursors.empty()) {
    auto own = std::find_if(Cursors.begin(), Cursors.end(),
                            [&](TVexCursor* c) { return c->Session == &session; });
    RebuildUserIndexes(own != Cursors.end() ? *own : Cursors.front());
  }
  TVexTableData::RefreshSession(session);
  if (IndexPageManager) IndexPageManager->Commit(session.SessionID);
}

// ---- BLOBs

void TVexDiskTableData::SetBlobFromStream(uint8_t*, int32_t, TVexStream&) {
  NotImplemented();
}

TVexOwned<TVexStream> TVexDiskTableData::OpenBlobStream(TVexCursor&, int32_t, uint8_t) {
  NotImplemented();
}

void TVexDiskTableData::ReadBlobValue(int32_t, const uint8_t*, int32_t, TVexBlobValue&) {
  NotImplemented();
}

void TVexDiskTableData::WriteBlobValue(uint8_t*, int32_t, TVexBlobValue&) {
  NotImplemented();
}

void TVexDiskTableData::ReleaseBlobValue(TVexBlobValue&) {}
