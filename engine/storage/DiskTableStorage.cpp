// Loading a disk table from its files and the structure changes made in session -2.
#include "engine/storage/DiskTableStorage.h"

#include <exception>

#include "engine/base/VexExcept.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/storage/DiskDatabaseCatalog.h"

TVexTablesLock::TVexTablesLock(TVexDiskPageManager& manager) : manager_(manager) {
  if (!manager_.LockTables()) throw EVexException(20210, "Database tables are locked");
}

TVexTablesLock::~TVexTablesLock() noexcept(false) {
  // A failure to release is reported, unless another error is already on its way.
  if (!manager_.UnlockTables() && std::uncaught_exceptions() == 0)
    throw EVexException(20211, "Cannot unlock database tables");
}

TVexDiskTableStorage::TVexDiskTableStorage(
    TVexDiskDatabaseCatalog* catalog, std::string tableName,
    std::unique_ptr<TVexBaseRecordManager>* recordManagerOwner)
    : Catalog(catalog),
      TableName(std::move(tableName)),
      LocksFile(catalog->PageManager.get()),
      MetadataFile(catalog->PageManager.get(), VexLayout::ptTableMetaData),
      HeaderFile(catalog->PageManager.get(), VexLayout::ptTableMostUpdated),
      RecordManagerOwner_(recordManagerOwner ? recordManagerOwner : &OwnRecordManager_) {}

void TVexDiskTableStorage::RollbackStructureChange() {
  Catalog->PageManager->Rollback(-2);
  Catalog->TableList->Load(-2);  // the list in memory as the file holds it again
}

void TVexDiskTableStorage::CreateRecordManager() {
  auto manager = std::make_unique<TVexDiskRecordManager>(Catalog->PageManager.get(),
                                                         &Metadata.FieldDefs.Layout(), TableId);
  RecordManager = manager.get();
  *RecordManagerOwner_ = std::move(manager);
}

void TVexDiskTableStorage::FreeRecordManager() {
  RecordManager = nullptr;
  RecordManagerOwner_->reset();
}

void TVexDiskTableStorage::SaveMetadata(int32_t sessionId) {
  Metadata.RecordPageIndexRoot = RecordManager->PageIndex.RootPageNo();
  std::vector<uint8_t> bytes = Metadata.Store();
  MetadataFile.WriteFile(sessionId, bytes.data(), 1, 1, int32_t(bytes.size()));
}

void TVexDiskTableStorage::LoadMetadata(int32_t sessionId) {
  std::vector<uint8_t> bytes = MetadataFile.ReadAll(sessionId, true);
  Metadata.Load(bytes);
}

void TVexDiskTableStorage::SaveHeader(int32_t sessionId) {
  TVexDiskTableHeader header;
  header.Counters = Counters;
  header.TableVersion = RecordManager->TableVersion;
  header.RecordCount = RecordManager->RecordCount;
  std::vector<uint8_t> bytes = header.Store(Metadata.FieldDefs.Count());
  HeaderFile.WriteFile(sessionId, bytes.data(), 0, 0, int32_t(bytes.size()));
  TableVersion = header.TableVersion;
}

void TVexDiskTableStorage::LoadHeader(int32_t sessionId) {
  if (!HeaderFile.IsOpen()) throw EVexException(20176, "Pointer is nil");
  TVexDiskTableHeader header;
  header.Load(HeaderFile.ReadAll(sessionId, true), Metadata.FieldDefs.Count());
  Counters = header.Counters;
  RecordManager->TableVersion = header.TableVersion;
  RecordManager->RecordCount = header.RecordCount;
  TableVersion = header.TableVersion;
}

void TVexDiskTableStorage::Create(const TVexFieldDefs& fieldDefs, const TVexIndexDefs& indexDefs,
                                  const TVexConstraintDefs& constraintDefs) {
  if (fieldDefs.Count() == 0)
    throw EVexException(20128, "Error creating table - no fields were specified");
  TVexDiskPageManager& pm = *Catalog->PageManager;
  TableId = pm.GetNextObjectId();
  TVexTablesLock tablesLock(pm);
  try {
    int32_t locksStart = LocksFile.Create(Catalog->MaxConnections);
    int32_t metadataStart = MetadataFile.Create(-2);
    int32_t headerStart = HeaderFile.Create(-2);
    Metadata.FieldDefs.AssignDefs(fieldDefs);
    for (int32_t i = 0; i < Metadata.FieldDefs.Count(); ++i) {
      Metadata.FieldDefs[i].FieldNo = i;
      Metadata.FieldDefs[i].ObjectID = pm.GetNextObjectId();
    }
    Metadata.FieldDefs.CalculateLayout();
    Metadata.IndexDefs.AssignDefs(indexDefs);
    Metadata.ConstraintDefs.AssignDefs(constraintDefs);
    Counters.assign(size_t(Metadata.FieldDefs.Count()), 0);
    for (int32_t i = 0; i < Metadata.FieldDefs.Count(); ++i)
      if (IsAutoIncDataType(Metadata.FieldDefs[i].DataType()))
        Counters[size_t(i)] = Metadata.FieldDefs[i].AutoIncInitial;
    CreateRecordManager();
    SaveHeader(-2);
    RecordManager->CreatePageIndex(-2);
    Metadata.BlobPageIndexRoot = -1;
    SaveMetadata(-2);
    Catalog->TableList->AddTable(TableId, TableName, metadataStart, headerStart, locksStart);
    Catalog->TableList->Save(-2);
    pm.Commit(-2);
  } catch (...) {
    RollbackStructureChange();
    FreeRecordManager();
    throw;
  }
}

void TVexDiskTableStorage::Open(int32_t sessionId, bool verify) {
  const TVexTableListEntry& entry = Catalog->TableList->FindTable(TableName);
  TableId = entry.TableId;
  TableName = entry.TableName;
  LocksFile.Open(entry.LocksFileStart);
  MetadataFile.Open(entry.MetadataFileStart);
  HeaderFile.Open(entry.HeaderFileStart);
  try {
    LoadMetadata(sessionId);
    CreateRecordManager();
    RecordManager->PageIndex.SetRootPageNo(Metadata.RecordPageIndexRoot);
    if (!verify) {
      LoadHeader(sessionId);
      return;
    }
    try {
      LoadHeader(sessionId);
      RecordManager->CheckPageIndex(sessionId);
    } catch (const EVexException&) {
      Repair(sessionId);
    }
  } catch (...) {
    Close();
    throw;
  }
}

void TVexDiskTableStorage::LockForCursor(int32_t sessionId, bool exclusive, int32_t openCursors) {
  if (openCursors > 0 && exclusive && !OpenedExclusively)
    throw EVexException(
        20242,
        "Cannot access table '%s' in exclusive mode. Probably the table is open by another cursors",
        {TableName});
  if (openCursors == 0) OpenedExclusively = exclusive;
  if (Catalog->TableLockManager->LockTable(sessionId, LocksFile, exclusive ? 6 : 0, OpenLockTries,
                                           100))
    return;
  if (exclusive)
    throw EVexException(
        20208,
        "Cannot access table '%s' in exclusive mode. Probably the table is open by another user",
        {TableName});
  throw EVexException(20209, "Cannot open table '%s'. Table is locked", {TableName});
}

void TVexDiskTableStorage::UnlockForCursor(int32_t sessionId, bool exclusive) {
  Catalog->TableLockManager->UnlockTable(sessionId, LocksFile, exclusive ? 6 : 0);
}

void TVexDiskTableStorage::Repair(int32_t sessionId) {
  if (RecordManager->StoredRecordSize >= Catalog->PageManager->PageDataSize)
    throw EVexException(10512,
                        "Cannot repair table pages index for larg records table. Table name: "
                        "\"%s\"",
                        {TableName});
  if (Counters.size() != size_t(Metadata.FieldDefs.Count()))
    Counters.assign(size_t(Metadata.FieldDefs.Count()), 0);
  RecordManager->RebuildPageIndex(sessionId);
  SaveMetadata(sessionId);
  SaveHeader(sessionId);
  Catalog->PageManager->Commit(sessionId);
}

void TVexDiskTableStorage::Close() {
  FreeRecordManager();
  LocksFile.File.StartPageNo = -1;
  MetadataFile.StartPageNo = -1;
  HeaderFile.StartPageNo = -1;
  TableVersion = -1;
}

void TVexDiskTableStorage::Delete() {
  TVexDiskPageManager& pm = *Catalog->PageManager;
  TVexTablesLock tablesLock(pm);
  try {
    if (!IsOpen()) Open(-2, false);
    RecordManager->DeleteAllRecords(-2);
    RecordManager->PageIndex.Delete(-2);
    LocksFile.Delete();
    MetadataFile.Delete(-2);
    HeaderFile.Delete(-2);
    Close();
    Catalog->TableList->DeleteTable(TableName);
    Catalog->TableList->Save(-2);
    pm.Commit(-2);
  } catch (...) {
    RollbackStructureChange();
    throw;
  }
}

void TVexDiskTableStorage::Empty(int32_t sessionId) {
  if (!IsOpen()) Open(sessionId, false);
  RecordManager->DeleteAllRecords(sessionId);
  for (int32_t i = 0; i < Metadata.FieldDefs.Count(); ++i)
    Counters[size_t(i)] = IsAutoIncDataType(Metadata.FieldDefs[i].DataType())
                              ? Metadata.FieldDefs[i].AutoIncInitial
                              : 0;
  SaveMetadata(sessionId);
  SaveHeader(sessionId);
  Catalog->PageManager->Commit(sessionId);
}

void TVexDiskTableStorage::Rename(const std::string& newName) {
  TVexDiskPageManager& pm = *Catalog->PageManager;
  TVexTablesLock tablesLock(pm);
  try {
    Catalog->TableList->RenameTable(TableName, newName);
    Catalog->TableList->Save(-2);
    pm.Commit(-2);
  } catch (...) {
    RollbackStructureChange();
    throw;
  }
  TableName = newName;
}
