// TVexIndex: what every index of a table offers (navigation in key order, searches and range
// scans, record numbers, unique checks and key maintenance). The B-tree record index
// implements it; the base keeps the index's own copy of its definition.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/base/VexNavigation.h"
#include "engine/base/VexOwned.h"

class TVexBaseIndexManager;
class TVexCursor;
class TVexIndexDef;
class TVexIndexPositionCache;
class TVexKeyPath;
class TVexRecordBitmap;
class TVexScanSearchCondition;
// The state of one range scan; each index class derives its own.
class TVexScanState {
 public:
  virtual ~TVexScanState() = default;
};

class TVexIndex {
 public:
  explicit TVexIndex(TVexBaseIndexManager* indexManager);
  TVexIndex(const TVexIndex&) = delete;
  TVexIndex& operator=(const TVexIndex&) = delete;
  virtual ~TVexIndex();

  // ---- Virtual operations in slot order.
  // Base: takes a copy of the definition. cursor is null when the table is not read.
  virtual void CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef);
  virtual void DropIndex(int32_t sessionID) = 0;
  virtual void EmptyIndex(int32_t sessionID) = 0;
  // Base: takes a copy of the definition.
  virtual void OpenIndex(const TVexIndexDef& indexDef);
  virtual void RebuildIndex(TVexCursor* cursor) = 0;
  // One step in key order from request.RecordID (or from the beginning or end). grmCurrent
  // is refused (20053 "Invalid get record mode for index: grmCurrent").
  virtual void GetRecord(int32_t sessionID, TVexNavigationRequest& request,
                         TVexIndexPositionCache* positionCache) = 0;
  // Positions from a key built from request.RecordBuffer: grmNext the first entry greater,
  // grmPrior the last entry less.
  virtual void FindNearest(int32_t sessionID, TVexNavigationRequest& request) = 0;
  virtual TVexOwned<TVexKeyPath> CreateKeyPath() = 0;
  virtual void FreeKeyPath(TVexOwned<TVexKeyPath>& path);
  // Finds the entry of a record (its key from recordBuffer, then its identifier).
  virtual bool FindRecord(int32_t sessionID, const TVexRecordIDBytes& recordID, TVexKeyPath& path,
                          const uint8_t* recordBuffer) = 0;
  // -1, 0 or 1 by position in key order.
  virtual int32_t ComparePaths(const TVexKeyPath& a, const TVexKeyPath& b) = 0;
  // 1-based position of the record in key order, -1 when it is not in the index.
  virtual int64_t GetRecordNumber(int32_t sessionID, const TVexRecordIDBytes& recordID,
                                  const uint8_t* recordBuffer) = 0;
  virtual void GoToRecordNumber(int32_t sessionID, TVexRecordIDBytes& recordID,
                                int64_t recordNumber) = 0;
  // Keeps in the bitmap only records whose key differs from the previous kept one over
  // columnCount columns.
  virtual void FilterBitmap(int32_t sessionID, TVexRecordBitmap& bitmap, int32_t columnCount) = 0;
  virtual TVexOwned<TVexScanState> CreateScanState() = 0;
  virtual void FreeScanState(TVexOwned<TVexScanState>& state);
  // The next record of a range scan between low and high (either may be null: open), in
  // ascending or descending key order; false when the range is exhausted.
  virtual bool ScanNext(int32_t sessionID, bool firstCall, TVexScanState& state,
                        TVexRecordIDBytes& recordID, uint8_t* recordBuffer,
                        const TVexScanSearchCondition* low, const TVexScanSearchCondition* high,
                        bool ascending) = 0;
  // Compares the keys of two rows in record-buffer layout over their first keyFieldCount
  // columns: negative, 0 or positive.
  virtual int32_t CompareRecordKeys(const uint8_t* a, const uint8_t* b, int32_t keyFieldCount) = 0;
  // Follows the first condition's comparison: -1 for ">" and ">=", 1 for "<" and "<=", 0
  // otherwise.
  virtual int32_t ConditionOrder(const TVexScanSearchCondition& a,
                                 const TVexScanSearchCondition& b);
  // Estimated number of records between two conditions (either may be null: open).
  virtual int64_t EstimateRange(int32_t sessionID, const TVexScanSearchCondition* a,
                                const TVexScanSearchCondition* b, int64_t recordCount) = 0;
  // True when no entry has the key of recordBuffer (always true for non-unique indexes).
  virtual bool CheckUnique(int32_t sessionID, const uint8_t* recordBuffer) = 0;
  // CheckUnique of the new record when its key differs from the old one.
  virtual bool CheckUniqueOnUpdate(int32_t sessionID, const uint8_t* oldRecord,
                                   const uint8_t* newRecord) = 0;
  // Key maintenance from the cursor's record buffer and record identifier (on update: the
  // old record is the cursor's old record buffer).
  virtual void InsertKey(TVexCursor& cursor) = 0;
  virtual void DeleteKey(TVexCursor& cursor) = 0;
  virtual void UpdateKey(TVexCursor& cursor, bool deletePhase) = 0;
  // Entries of the key size that fit a page, and the bytes left over.
  virtual void GetEntriesPerPage(int32_t& entries, int32_t& rest) = 0;
  virtual void GetDataAtPath(int32_t sessionID, const TVexKeyPath& path, uint8_t* data) = 0;

  // The index's own copy of its definition (null before CreateIndex / OpenIndex).
  TVexIndexDef* IndexDef() const { return IndexDef_.get(); }
  TVexBaseIndexManager* IndexManager;  // not owned

 private:
  std::unique_ptr<TVexIndexDef> IndexDef_;
};
