// TVexBaseRecordManager: the store of a table's rows. The disk, temporary and memory engines
// implement it; the base keeps the counts that the table layer reads.
#pragma once

#include <cstdint>

#include "engine/base/VexNavigation.h"

class TVexBaseRecordManager {
 public:
  TVexBaseRecordManager() = default;
  TVexBaseRecordManager(const TVexBaseRecordManager&) = delete;
  TVexBaseRecordManager& operator=(const TVexBaseRecordManager&) = delete;
  virtual ~TVexBaseRecordManager() = default;

  // ---- Virtual operations in slot order.
  virtual void DeleteAllRecords(int32_t sessionID) = 0;
  // Stores the row of recordBuffer; recordID receives its identifier. False on failure.
  virtual bool AddRecord(int32_t sessionID, const uint8_t* recordBuffer,
                         TVexRecordIDBytes& recordID) = 0;
  virtual bool ModifyRecord(int32_t sessionID, const uint8_t* recordBuffer,
                            const TVexRecordIDBytes& recordID) = 0;
  virtual bool RemoveRecord(int32_t sessionID, const TVexRecordIDBytes& recordID) = 0;
  // One step in physical order (or a re-read with grmCurrent); fills request.Result.
  virtual void NavigateRecord(int32_t sessionID, TVexNavigationRequest& request) = 0;
  // -1, 0 or 1 in physical order.
  virtual int32_t CompareRecordIds(const TVexRecordIDBytes& a, const TVexRecordIDBytes& b) = 0;
  // Estimated 1-based record number of the record, -1 when the identifier is out of range.
  virtual int64_t EstimateRecordNumber(int32_t sessionID, const TVexRecordIDBytes& recordID) = 0;

  // Incremented by every change of the table; bitmaps and temporary indexes compare to it.
  int32_t ChangeCounter = 0;
  int64_t RecordCount = 0;
  int32_t StoredRecordSize = 0;
};
