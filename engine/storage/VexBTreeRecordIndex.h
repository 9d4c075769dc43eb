// TVexBTreeRecordIndex: a user-defined index of a table as a B-tree of record keys whose leaf
// data is the record identifier. Its pages live in the page manager the index manager gives it
// (for disk tables the per-process temporary page manager); its root page number is kept in
// the index definition.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexMemory.h"
#include "engine/storage/VexBTree.h"
#include "engine/storage/VexKeyPath.h"
#include "engine/storage/VexRecordKeyRef.h"

// The state of one range scan: where it stands and where it ends.
class TVexBTreeScanState : public TVexScanState {
 public:
  bool Started = false;
  bool Ascending = true;
  bool Empty = false;
  TVexKeyPath CurrentPath;
  TVexKeyPath EndPath;
};

class TVexBTreeRecordIndex : public TVexIndex {
 public:
  explicit TVexBTreeRecordIndex(TVexBaseIndexManager* indexManager);
  ~TVexBTreeRecordIndex() override;

  // Virtual operations in slot order.
  void CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef) override;
  void DropIndex(int32_t sessionID) override;
  void EmptyIndex(int32_t sessionID) override;
  void OpenIndex(const TVexIndexDef& indexDef) override;
  void RebuildIndex(TVexCursor* cursor) override;
  void GetRecord(int32_t sessionID, TVexNavigationRequest& request,
                 TVexIndexPositionCache* positionCache) override;
  void FindNearest(int32_t sessionID, TVexNavigationRequest& request) override;
  TVexOwned<TVexKeyPath> CreateKeyPath() override;
  bool FindRecord(int32_t sessionID, const TVexRecordIDBytes& recordID, TVexKeyPath& path,
                  const uint8_t* recordBuffer) override;
  int32_t ComparePaths(const TVexKeyPath& a, const TVexKeyPath& b) override;
  int64_t GetRecordNumber(int32_t sessionID, const TVexRecordIDBytes& recordID,
                          const uint8_t* recordBuffer) override;
  void GoToRecordNumber(int32_t sessionID, TVexRecordIDBytes& recordID,
                        int64_t recordNumber) override;
  void FilterBitmap(int32_t sessionID, TVexRecordBitmap& bitmap, int32_t columnCount) override;
  TVexOwned<TVexScanState> CreateScanState() override;
  bool ScanNext(int32_t sessionID, bool firstCall, TVexScanState& state,
                TVexRecordIDBytes& recordID, uint8_t* recordBuffer,
                const TVexScanSearchCondition* low, const TVexScanSearchCondition* high,
                bool ascending) override;
  int32_t CompareRecordKeys(const uint8_t* a, const uint8_t* b, int32_t keyFieldCount) override;
  int64_t EstimateRange(int32_t sessionID, const TVexScanSearchCondition* a,
                        const TVexScanSearchCondition* b, int64_t recordCount) override;
  bool CheckUnique(int32_t sessionID, const uint8_t* recordBuffer) override;
  bool CheckUniqueOnUpdate(int32_t sessionID, const uint8_t* oldRecord,
                           const uint8_t* newRecord) override;
  void InsertKey(TVexCursor& cursor) override;
  void DeleteKey(TVexCursor& cursor) override;
  void UpdateKey(TVexCursor& cursor, bool deletePhase) override;
  void GetEntriesPerPage(int32_t& entries, int32_t& rest) override;
  void GetDataAtPath(int32_t sessionID, const TVexKeyPath& path, uint8_t* data) override;

  TVexRecordKeyRef& KeyRef() { return keyRef_; }
  // The tree over the index's pages (null before CreateIndex or OpenIndex).
  TVexBTreePage* Tree() { return tree_.get(); }

 private:
  // Builds the key reference from the definition and the table's fields and attaches the
  // tree to the page manager of the definition.
  void Prepare(const TVexIndexDef& indexDef);
  TVexBTreePage& CheckedTree(int32_t code);
  // Reads a record by identifier into buffer (the table's record buffer layout).
  bool ReadRecord(int32_t sessionID, const TVexRecordIDBytes& recordID, uint8_t* buffer);
  // The search key of a condition (and its full key for prefix columns).
  const uint8_t* SearchKeyOf(const uint8_t* recordBuffer);
  // Path of the first (forward) or last entry a bound admits; an open bound is the index's
  // first or last entry.
  bool BoundPath(int32_t sessionID, const TVexScanSearchCondition* bound, bool forward,
                 TVexKeyPath& path);
  static int32_t SessionOf(const TVexCursor& cursor);
  static TVexRecordIDBytes IdFromData(const uint8_t* data);
  bool FullKeysDiffer(const uint8_t* a, const uint8_t* b);

  TVexRecordKeyRef keyRef_;
  std::unique_ptr<TVexBTreePage> tree_;
  std::vector<uint8_t> key_, fullKey_, fullKey2_;
  TVexMemoryBlock record_;       // one record of the table
  TVexMemoryBlock fetchRecord_;  // a record read to resolve a prefix tie
};

// An index manager whose indexes are B-tree record indexes.
class TVexBTreeIndexManager : public TVexBaseIndexManager {
 public:
  using TVexBaseIndexManager::TVexBaseIndexManager;
  std::unique_ptr<TVexIndex> NewIndex() override;
};
