// TVexDiskTableStorage: the stores of one disk table in its database file: the table list
// entry, the locks, metadata and header files and the record pages with their index. Loads a
// table (verifying and repairing the record page index on request) and makes the structure
// changes (create, delete, empty, rename) in the system session -2.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/storage/DiskRecordManager.h"
#include "engine/storage/DiskTableContent.h"
#include "engine/storage/TableLocksFile.h"
#include "engine/storage/TransactedFile.h"

class TVexDiskDatabaseCatalog;

class TVexDiskTableStorage {
 public:
  // recordManagerOwner: where the record manager lives while the table is open (a table
  // object's slot); the storage keeps it itself when null.
  TVexDiskTableStorage(TVexDiskDatabaseCatalog* catalog, std::string tableName,
                       std::unique_ptr<TVexBaseRecordManager>* recordManagerOwner = nullptr);

  // Creates the table from the definitions (20128 without fields, 20174 for a record that does
  // not fit a page) and commits session -2; any failure rolls session -2 back.
  void Create(const TVexFieldDefs& fieldDefs, const TVexIndexDefs& indexDefs,
              const TVexConstraintDefs& constraintDefs);
  // Finds the table (30396), opens its files and loads metadata and header in the session.
  // With verify, a record page index that does not match RecordCount is rebuilt.
  void Open(int32_t sessionId, bool verify);
  void Close();
  bool IsOpen() const { return RecordManager != nullptr; }
  // Removes the record pages, the index and the files and the table list entry (session -2).
  void Delete();
  // Removes every record and resets the counters; commits the session.
  void Empty(int32_t sessionId);
  // Renames the table list entry (30397 when missing) and commits session -2.
  void Rename(const std::string& newName);

  // Takes the table lock of a cursor that opens the table: type 6 when exclusive, else type 0
  // (OpenLockTries tries, 100 ms base delay). With cursors already open in this process, an
  // exclusive wish on a table not open exclusively raises 20242; a refused lock raises 20208
  // (exclusive) or 20209. Single-user and exclusive databases grant it at once.
  void LockForCursor(int32_t sessionId, bool exclusive, int32_t openCursors);
  void UnlockForCursor(int32_t sessionId, bool exclusive);

  void LoadMetadata(int32_t sessionId);
  void SaveMetadata(int32_t sessionId);
  // 20176 without a header file.
  void LoadHeader(int32_t sessionId);
  void SaveHeader(int32_t sessionId);
  // Rebuilds the record page index from the pages, saves metadata and header, commits.
  void Repair(int32_t sessionId);

  TVexDiskDatabaseCatalog* Catalog;
  std::string TableName;
  int32_t TableId = -1;
  TVexTableLocksFile LocksFile;
  TVexInternalDBTransactedAccessFile MetadataFile;
  TVexInternalDBTransactedAccessFile HeaderFile;
  TVexDiskTableMetadata Metadata;
  std::vector<int64_t> Counters;                   // the autoincrement counters, one per field
  TVexDiskRecordManager* RecordManager = nullptr;  // owned as described at the constructor
  int32_t TableVersion = -1;
  bool OpenedExclusively = false;
  int32_t OpenLockTries = 50;

  // A new record manager over the metadata's field layout.
  void CreateRecordManager();

 private:
  void FreeRecordManager();
  std::unique_ptr<TVexBaseRecordManager> OwnRecordManager_;
  std::unique_ptr<TVexBaseRecordManager>* RecordManagerOwner_;
  // Drops the changes of session -2 and reloads the table list.
  void RollbackStructureChange();
};

// Holds the database's tables lock byte for a scope (20210 when it cannot be had, 20211 when
// it cannot be released).
class TVexTablesLock {
 public:
  explicit TVexTablesLock(TVexDiskPageManager& manager);
  ~TVexTablesLock() noexcept(false);
  TVexTablesLock(const TVexTablesLock&) = delete;
  TVexTablesLock& operator=(const TVexTablesLock&) = delete;

 private:
  TVexDiskPageManager& manager_;
};
