// The record bitmap: the cached set of records that pass a cursor's filter and range, by
// record number or by key ordinal in the active index, stamped with the table's change counter.
#pragma once

#include <cstdint>

#include "engine/base/VexBitsArray.h"

class TVexTableData;

class TVexRecordBitmap {
 public:
  explicit TVexRecordBitmap(TVexTableData* table) : Table(table) {}

  // Stale when never built or when the table changed since it was built.
  bool IsStale() const;
  // Forgets the set: no bits, not complete, never built.
  void Reset();
  // Records the table's current change counter as the build stamp and marks it complete.
  void MarkBuilt();

  TVexBitsArray Bits;
  TVexTableData* Table;        // not owned
  bool Complete = false;       // the bits hold the whole filtered set
  bool IndexOrder = false;     // bit k is the k-th key of the active index, not record number k
  int32_t ChangeCounter = -1;  // record manager change counter when built; -1: never built
};
