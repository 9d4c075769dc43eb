// TVexDiskTableData: one table of a disk database shared by every cursor of the process. Its
// stores are a TVexDiskTableStorage; its definitions and counters are kept by the base field,
// index and constraint managers, its user indexes are B-trees in a per-process temporary
// page manager. Implements the table slots with the table locks of multi-user mode.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/VexTableData.h"
#include "engine/storage/DiskTableStorage.h"
#include "engine/storage/TemporaryPageManager.h"

class TVexDiskDatabaseData;

class TVexDiskTableData : public TVexTableData {
 public:
  TVexDiskTableData(TVexDiskDatabaseData* database, std::string tableName);
  ~TVexDiskTableData() override;

  // ---- Virtual operations in slot order.
  void CreateRecordManager() override;
  void CreateIndexManager(const TVexIndexDefs& indexDefs) override;
  // Constraint kinds other than primary key, unique, not null and check raise 30040.
  void CreateConstraintManager(const TVexConstraintDefs& constraintDefs) override;
  void CommitSession(TVexBaseSession& session, bool inTransaction) override;
  void RollbackSession(TVexBaseSession& session, bool inTransaction) override;
  void CreateTable(TVexCursor& cursor, const TVexFieldDefs& fieldDefs,
                   const TVexIndexDefs& indexDefs,
                   const TVexConstraintDefs& constraintDefs) override;
  void DeleteTable(TVexCursor* cursor, bool force) override;
  void EmptyTable(TVexCursor* cursor) override;
  void RenameTable(TVexCursor* cursor, const std::string& newName) override;
  void OpenTable(TVexCursor& cursor) override;
  void CloseTable(TVexCursor& cursor) override;
  void RenameField(const std::string& oldName, const std::string& newName) override;
  void CreateIndex(const TVexIndexDef& indexDef, TVexCursor& cursor) override;
  void DropIndex(int32_t indexID, TVexCursor& cursor) override;
  int64_t GetRecordNumberLimit(int32_t sessionID) override;
  int64_t RecordIdToNumber(const TVexRecordIDBytes& recordID) override;
  TVexRecordIDBytes NumberToRecordId(int64_t recordNumber) override;
  int32_t GetRecord(TVexCursor& cursor, TVexGetRecordMode mode) override;
  bool FindByCondition(TVexCursor& cursor, TVexExpression* expression,
                       TVexGetRecordMode mode) override;
  bool FindByKey(TVexCursor& cursor, TVexScanSearchCondition& keyCondition,
                 TVexGetRecordMode mode) override;
  // BLOB fields are not stored by disk tables yet: the BLOB slots raise 30040.
  void SetBlobFromStream(uint8_t* recordBuffer, int32_t fieldNo, TVexStream& blobStream) override;
  TVexOwned<TVexStream> OpenBlobStream(TVexCursor& cursor, int32_t fieldNo, uint8_t mode) override;
  void ReadBlobValue(int32_t sessionID, const uint8_t* recordBuffer, int32_t fieldNo,
                     TVexBlobValue& value) override;
  void WriteBlobValue(uint8_t* recordBuffer, int32_t fieldNo, TVexBlobValue& value) override;
  void ReleaseBlobValue(TVexBlobValue& value) override;
  bool InsertRecord(TVexCursor& cursor) override;
  bool DeleteRecord(TVexCursor& cursor) override;
  bool UpdateRecord(TVexCursor& cursor) override;
  void GoToRecordNumber(TVexCursor& cursor, int64_t recordNumber) override;
  int64_t GetRecordNumber(TVexCursor& cursor) override;
  void GoToPhysicalRecordNumber(TVexCursor& cursor, int64_t recordNumber) override;
  int64_t GetPhysicalRecordNumber(TVexCursor& cursor) override;
  int64_t GetRecordCount(TVexCursor& cursor) override;
  int64_t GetNextAutoIncValue(TVexCursor& cursor, int32_t fieldNo) override;
  void RefreshSession(TVexBaseSession& session) override;

  // ---- Stores.
  void LoadHeader(int32_t sessionId);
  void SaveHeader(int32_t sessionId);
  void SaveMetadata(int32_t sessionId);

  TVexDiskDatabaseData* DiskDatabase;  // not owned
  std::unique_ptr<TVexDiskTableStorage> Storage;
  std::unique_ptr<TVexTemporaryPageManager> IndexPageManager;
  bool StructureChangeInProgress = false;
  // Set by the opening cursor: the first load checks and repairs the record page index.
  bool Verify = false;
  int32_t TableVersion = -1;
  // Tries and base delay of the read lock of multi-user mode.
  int32_t ReadLockTries = 2250;
  int32_t ReadLockDelayMs = 40;

 protected:
  std::unique_ptr<TVexBaseIndexManager> NewIndexManager() override;

 private:
  TVexDiskRecordManager& Records();
  // Runs op with read lock type 1 of the cursor's session in multi-user mode (code when the
  // lock is refused), with the header reloaded first.
  template <class F>
  auto WithReadLock(TVexCursor& cursor, int32_t code, F&& op) -> decltype(op());
  // Managers from the loaded metadata and header; the user indexes built from the rows.
  void CreateManagersFromStorage(TVexCursor& cursor);
  void FreeManagers();
  void RebuildUserIndexes(TVexCursor* cursor);
  // The header's content changed by the row operation of the cursor: saved in its session.
  void RowChanged(TVexCursor& cursor);
  // Proves nobody else uses the table: its exclusive lock is taken and released at once.
  void ProveUnused(int32_t sessionId);
  int32_t IndexesVersion_ = -1;
  std::vector<TVexCursor*> LockHolders_;  // cursors that hold their table lock  // the TableVersion
                                          // the user indexes were built at
};
