// TVexTableData: one open table shared by every cursor of the process. It owns the field,
// index, constraint and record managers and carries the navigation of a cursor through the
// table (filters, ranges, key positions, record bitmaps, the choice of access path).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/base/VexMemory.h"
#include "engine/base/VexNavigation.h"
#include "engine/base/VexOwned.h"

class TVexBaseConstraintManager;
class TVexBaseFieldManager;
class TVexBaseIndexManager;
class TVexBasePageManager;
class TVexBaseRecordManager;
class TVexBaseSession;
class TVexConstraintDefs;
class TVexCursor;
class TVexDatabaseData;
class TVexExpression;
class TVexFieldDefs;
class TVexIndexDef;
class TVexIndexDefs;
class TVexScanSearchCondition;
class TVexStream;

// A stored BLOB value as the BLOB slots hand it over: the stored (possibly compressed) bytes
// and the two header values of its stream.
struct TVexBlobValue {
  TVexMemoryBlock Data;
  int64_t StoredSize = 0;
  int64_t UncompressedSize = 0;
  int32_t BlockCount = 0;
};

// The session ID of the cursor's session (-2, the system session, without one).
int32_t CursorSessionID(const TVexCursor& cursor);

class TVexTableData {
 public:
  TVexTableData(TVexDatabaseData* database, std::string tableName);
  TVexTableData(const TVexTableData&) = delete;
  TVexTableData& operator=(const TVexTableData&) = delete;
  virtual ~TVexTableData();

  // ---- Virtual operations in slot order.
  virtual void CreateRecordManager() = 0;
  // New object IDs for the definitions, the field manager takes them, the layout is
  // computed and the counters start at each autoincrement field's initial value.
  virtual void CreateFieldManager(const TVexFieldDefs& fieldDefs);
  virtual void CreateIndexManager(const TVexIndexDefs& indexDefs);
  // Constraint types other than 0, 2, 3, 4 raise 30058 "Not implemented yet".
  virtual void CreateConstraintManager(const TVexConstraintDefs& constraintDefs);
  // Sets the cursor's first-field offset and record buffer size (10131 without fields).
  virtual void GetRecordLayout(TVexCursor& cursor);
  // Outside a transaction: the page manager's commit (rollback) for the session.
  virtual void CommitSession(TVexBaseSession& session, bool inTransaction);
  virtual void RollbackSession(TVexBaseSession& session, bool inTransaction);
  virtual void CreateTable(TVexCursor& cursor, const TVexFieldDefs& fieldDefs,
                           const TVexIndexDefs& indexDefs,
                           const TVexConstraintDefs& constraintDefs) = 0;
  // Unless forced, a table open by any cursor raises 20017.
  virtual void DeleteTable(TVexCursor* cursor, bool force);
  // Counters back to their start, every index emptied.
  virtual void EmptyTable(TVexCursor* cursor);
  // A table open by any cursor raises 10150; else the name changes.
  virtual void RenameTable(TVexCursor* cursor, const std::string& newName);
  virtual void OpenTable(TVexCursor& cursor);
  virtual void CloseTable(TVexCursor& cursor);
  // 30343 / 30344; the name also changes in every index column.
  virtual void RenameField(const std::string& oldName, const std::string& newName);
  // The index manager creates the index; a permanent unique or primary index gets its
  // UNIQUE or PRIMARY KEY constraint unless the cursor suppresses constraints.
  virtual void CreateIndex(const TVexIndexDef& indexDef, TVexCursor& cursor);
  virtual void DropIndex(int32_t indexID, TVexCursor& cursor);
  // Record numbers of the record bitmaps: 0 <= number < limit.
  virtual int64_t GetRecordNumberLimit(int32_t sessionID) = 0;
  virtual int64_t RecordIdToNumber(const TVexRecordIDBytes& recordID) = 0;
  virtual TVexRecordIDBytes NumberToRecordId(int64_t recordNumber) = 0;
  virtual void FreeBlobCaches(uint8_t* recordBuffer);
  // Navigation of the cursor: 0 found, 1 BOF, 2 EOF, 3 the current record is gone.
  virtual int32_t GetRecord(TVexCursor& cursor, TVexGetRecordMode mode);
  // From the cursor's position, the next record (mode) that also satisfies the expression;
  // the position is kept when none does.
  virtual bool FindByCondition(TVexCursor& cursor, TVexExpression* expression,
                               TVexGetRecordMode mode);
  // As FindByCondition with a key condition on the active index.
  virtual bool FindByKey(TVexCursor& cursor, TVexScanSearchCondition& keyCondition,
                         TVexGetRecordMode mode);
  virtual void SetBlobFromStream(uint8_t* recordBuffer, int32_t fieldNo,
                                 TVexStream& blobStream) = 0;
  virtual void FreeBlobCache(uint8_t* recordBuffer, int32_t fieldNo);
  // Every BLOB field needs a block size above 0 (10421); FreeBlobCache of each.
  virtual void CheckBlobFields(uint8_t* recordBuffer);
  // mode: 0 write, 1 read, 2 read-write.
  virtual TVexOwned<TVexStream> OpenBlobStream(TVexCursor& cursor, int32_t fieldNo,
                                               uint8_t mode) = 0;
  virtual void ReadBlobValue(int32_t sessionID, const uint8_t* recordBuffer, int32_t fieldNo,
                             TVexBlobValue& value) = 0;
  virtual void WriteBlobValue(uint8_t* recordBuffer, int32_t fieldNo, TVexBlobValue& value) = 0;
  virtual void ReleaseBlobValue(TVexBlobValue& value) = 0;
  virtual bool InsertRecord(TVexCursor& cursor) = 0;
  // Removes the cursor's current record; the cursor then stands on the next row, else on the
  // prior one, else at BOF.
  virtual bool DeleteRecord(TVexCursor& cursor) = 0;
  virtual bool UpdateRecord(TVexCursor& cursor) = 0;
  // 1-based record numbers as the cursor sees them.
  virtual void GoToRecordNumber(TVexCursor& cursor, int64_t recordNumber);
  virtual int64_t GetRecordNumber(TVexCursor& cursor);
  virtual void GoToPhysicalRecordNumber(TVexCursor& cursor, int64_t recordNumber) = 0;
  virtual int64_t GetPhysicalRecordNumber(TVexCursor& cursor) = 0;
  virtual int64_t GetRecordCount(TVexCursor& cursor) = 0;
  virtual int64_t GetNextAutoIncValue(TVexCursor& cursor, int32_t fieldNo);
  // Rebuilds the session's temporary indexes that are older than the table's last change.
  virtual void RefreshSession(TVexBaseSession& session);

  // ---- Non-virtual.
  // The database's critical section (all tables of a database are serialised).
  void Lock();
  void Unlock();
  // Record count of a restricted cursor (the bits of its bitmap) or of the table.
  int64_t GetCursorRecordCount(TVexCursor& cursor);
  // Whether the row of recordBuffer passes the cursor's range, filter, condition and
  // record filter.
  bool RecordPasses(TVexCursor& cursor, const uint8_t* recordBuffer);
  // Builds (or rebuilds when stale) the cursor's bitmap of every record that passes.
  void BuildRecordBitmap(TVexCursor& cursor);
  int32_t ChangeCounter() const;

  // Page size the access-path costs count in (the disk engine sets its own).
  int32_t CostPageSize = 4096;

  // ---- Members in order.
  std::recursive_mutex CriticalSection;        // the table operations take the database's instead
  uint8_t InMemory = 0;                        // copied from the opening cursor
  TVexBasePageManager* PageManager = nullptr;  // not owned
  TVexDatabaseData* Database;                  // not owned
  std::string TableName;
  std::unique_ptr<TVexBaseFieldManager> FieldManager;
  std::unique_ptr<TVexBaseConstraintManager> ConstraintManager;
  std::unique_ptr<TVexBaseIndexManager> IndexManager;
  std::unique_ptr<TVexBaseRecordManager> RecordManager;
  std::vector<TVexCursor*> Cursors;  // cursors that have the table open
  int32_t Reserved = 0;

 protected:
  // The field, index and constraint managers an engine uses; the base ones by default.
  virtual std::unique_ptr<TVexBaseFieldManager> NewFieldManager();
  virtual std::unique_ptr<TVexBaseIndexManager> NewIndexManager() = 0;
  virtual std::unique_ptr<TVexBaseConstraintManager> NewConstraintManager();
  bool IsOpenByAnyCursor() const { return !Cursors.empty(); }
};
