// The plan of a search: merging the bounds that several conditions put on one index, and the
// choice between a table scan and an index range (in estimated pages read).
#pragma once

#include <cstdint>

class TVexCursor;
class TVexIndex;
class TVexScanSearchCondition;
class TVexScanSearchConditionArray;
class TVexTableData;

struct TVexAccessPath {
  int32_t IndexID = -1;                           // -1: scan the table
  const TVexScanSearchCondition* Low = nullptr;   // lower bound or equality; null: open
  const TVexScanSearchCondition* High = nullptr;  // upper bound or equality; null: open
};

// Whether the row satisfies a key condition of index (its comparison over its key fields).
bool KeyConditionHolds(TVexIndex& index, const uint8_t* recordBuffer,
                       const TVexScanSearchCondition& condition);

// Combines the bounds on each index: the tighter of two bounds of one kind stays, an equality
// absorbs the bounds it satisfies, duplicates go, expression-only conditions move behind the
// index conditions. False when two conditions contradict (no row can pass).
bool MergeSearchConditions(TVexTableData& table, TVexScanSearchConditionArray& conditions);

// The cheapest way to the rows: a unique equality at once, the active index when it is the
// only one bounded, else the cheapest index range unless a table scan costs less.
TVexAccessPath ChooseAccessPath(TVexTableData& table, TVexCursor& cursor,
                                const TVexScanSearchConditionArray& conditions);
