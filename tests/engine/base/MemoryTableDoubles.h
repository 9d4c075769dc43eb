// In-memory stand-ins for the abstract table layer, for tests of the managers and of the
// navigation: a session, a database, a table whose rows live in a map (record ID = row
// number), and an index that keeps record IDs sorted by key.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexDatabaseData.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexTableData.h"

class TMemSession : public TVexBaseSession {
 public:
  bool GetConnected() const override { return true; }
  void SetConnected(bool) override {}
  bool GetDatabaseOption() const override { return false; }
  void SetDatabaseOption(bool) override {}
  void CreateDatabase() override {}
  void ReservedOperation() override {}
  void ReservedTextOperation(const std::string&) override {}
  void GetTableNames(std::vector<std::string>&) override {}
  bool TableExists(const std::string&) override { return false; }
  void StartTransaction() override {}
  void Commit(bool) override {}
  void Rollback() override {}
  void FlushBuffers() override {}
};

// Record IDs hold the row number in their first 4 bytes.
TVexRecordIDBytes MemRecordID(int32_t row);
int32_t MemRowOf(const TVexRecordIDBytes& recordID);

class TMemRecordManager : public TVexBaseRecordManager {
 public:
  explicit TMemRecordManager(int32_t rowSize) : RowSize(rowSize) {}

  void DeleteAllRecords(int32_t sessionID) override;
  bool AddRecord(int32_t sessionID, const uint8_t* recordBuffer,
                 TVexRecordIDBytes& recordID) override;
  bool ModifyRecord(int32_t sessionID, const uint8_t* recordBuffer,
                    const TVexRecordIDBytes& recordID) override;
  bool RemoveRecord(int32_t sessionID, const TVexRecordIDBytes& recordID) override;
  void NavigateRecord(int32_t sessionID, TVexNavigationRequest& request) override;
  int32_t CompareRecordIds(const TVexRecordIDBytes& a, const TVexRecordIDBytes& b) override;
  int64_t EstimateRecordNumber(int32_t sessionID, const TVexRecordIDBytes& recordID) override;

  const uint8_t* Row(const TVexRecordIDBytes& recordID) const;

  int32_t RowSize;
  int32_t NextRow = 1;
  std::map<int32_t, std::vector<uint8_t>> Rows;
};

class TMemIndex : public TVexIndex {
 public:
  using TVexIndex::TVexIndex;

  void CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef) override;
  void DropIndex(int32_t) override { Entries.clear(); }
  void EmptyIndex(int32_t) override { Entries.clear(); }
  void OpenIndex(const TVexIndexDef& indexDef) override;
  void RebuildIndex(TVexCursor* cursor) override;
  void GetRecord(int32_t sessionID, TVexNavigationRequest& request,
                 TVexIndexPositionCache* positionCache) override;
  void FindNearest(int32_t sessionID, TVexNavigationRequest& request) override;
  TVexOwned<TVexKeyPath> CreateKeyPath() override { return {}; }
  bool FindRecord(int32_t, const TVexRecordIDBytes& recordID, TVexKeyPath&,
                  const uint8_t*) override;
  int32_t ComparePaths(const TVexKeyPath&, const TVexKeyPath&) override { return 0; }
  int64_t GetRecordNumber(int32_t, const TVexRecordIDBytes& recordID, const uint8_t*) override;
  void GoToRecordNumber(int32_t, TVexRecordIDBytes& recordID, int64_t recordNumber) override;
  void FilterBitmap(int32_t, TVexRecordBitmap&, int32_t) override;
  TVexOwned<TVexScanState> CreateScanState() override;
  bool ScanNext(int32_t sessionID, bool firstCall, TVexScanState& state,
                TVexRecordIDBytes& recordID, uint8_t* recordBuffer,
                const TVexScanSearchCondition* low, const TVexScanSearchCondition* high,
                bool ascending) override;
  int32_t CompareRecordKeys(const uint8_t* a, const uint8_t* b, int32_t keyFieldCount) override;
  int64_t EstimateRange(int32_t, const TVexScanSearchCondition* a, const TVexScanSearchCondition* b,
                        int64_t recordCount) override;
  bool CheckUnique(int32_t sessionID, const uint8_t* recordBuffer) override;
  bool CheckUniqueOnUpdate(int32_t sessionID, const uint8_t* oldRecord,
                           const uint8_t* newRecord) override;
  void InsertKey(TVexCursor& cursor) override;
  void DeleteKey(TVexCursor& cursor) override;
  void UpdateKey(TVexCursor& cursor, bool deletePhase) override;
  void GetEntriesPerPage(int32_t& entries, int32_t& rest) override {
    entries = EntriesPerPage;
    rest = 0;
  }
  void GetDataAtPath(int32_t, const TVexKeyPath&, uint8_t*) override {}

  std::vector<TVexRecordIDBytes> Entries;  // in key order, ties by record ID
  int32_t EntriesPerPage = 100;

 private:
  TMemRecordManager& Records() const;
  // Key order with ties broken by record ID.
  bool Before(const uint8_t* rowA, const TVexRecordIDBytes& a, const uint8_t* rowB,
              const TVexRecordIDBytes& b);
  void Insert(const uint8_t* row, const TVexRecordIDBytes& recordID);
  void Remove(const TVexRecordIDBytes& recordID);
  void Build();
  bool Satisfies(const uint8_t* row, const TVexScanSearchCondition* condition);
};

class TMemIndexManager : public TVexBaseIndexManager {
 public:
  explicit TMemIndexManager(TVexTableData* table) : TVexBaseIndexManager(table, nullptr, nullptr) {}
  std::unique_ptr<TVexIndex> NewIndex() override { return std::make_unique<TMemIndex>(this); }
};

class TMemTable : public TVexTableData {
 public:
  using TVexTableData::TVexTableData;

  void CreateRecordManager() override;
  void CreateTable(TVexCursor& cursor, const TVexFieldDefs& fieldDefs,
                   const TVexIndexDefs& indexDefs,
                   const TVexConstraintDefs& constraintDefs) override;
  int64_t GetRecordNumberLimit(int32_t) override;
  int64_t RecordIdToNumber(const TVexRecordIDBytes& recordID) override {
    return MemRowOf(recordID);
  }
  TVexRecordIDBytes NumberToRecordId(int64_t recordNumber) override {
    return MemRecordID(int32_t(recordNumber));
  }
  void SetBlobFromStream(uint8_t*, int32_t, TVexStream&) override {}
  TVexOwned<TVexStream> OpenBlobStream(TVexCursor&, int32_t, uint8_t) override { return {}; }
  void ReadBlobValue(int32_t, const uint8_t*, int32_t, TVexBlobValue&) override {}
  void WriteBlobValue(uint8_t*, int32_t, TVexBlobValue&) override {}
  void ReleaseBlobValue(TVexBlobValue&) override {}
  bool InsertRecord(TVexCursor& cursor) override;
  bool DeleteRecord(TVexCursor& cursor) override;
  bool UpdateRecord(TVexCursor& cursor) override;
  void GoToPhysicalRecordNumber(TVexCursor& cursor, int64_t recordNumber) override;
  int64_t GetPhysicalRecordNumber(TVexCursor& cursor) override;
  int64_t GetRecordCount(TVexCursor&) override;

  TMemRecordManager& Records() const { return static_cast<TMemRecordManager&>(*RecordManager); }

 protected:
  std::unique_ptr<TVexBaseIndexManager> NewIndexManager() override {
    return std::make_unique<TMemIndexManager>(this);
  }
};

class TMemDatabase : public TVexDatabaseData {
 public:
  TMemDatabase() : TVexDatabaseData("memory-test") {}
  TVexTableData& CreateTableData(TVexCursor& cursor) override;
  int32_t GetNextObjectId() override { return ++LastObjectId; }
  int32_t LastObjectId = 0;
};
