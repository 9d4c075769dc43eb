// Comparison of two values in storage representation, with NULL states: both are brought to
// their common type (text against a date type compares as the date type) and compared by the
// rules of that type; texts through the user's locale in string-sort mode.
#pragma once

#include <cstdint>

#include "engine/base/VexTypes.h"

// Raw comparison results.
enum TVexCompareResult : int {
  vcrEqual = 0,
  vcrLess = 1,
  vcrGreater = 2,
  vcrLeftNull = 3,
  vcrRightNull = 4,
  vcrBothNull = 5,
};

// One side of a comparison.
struct TVexCompareOperand {
  const uint8_t* Data;
  int32_t Size;
  TVexStorageType Type;
  bool IsNull;
};

// Raw result (0..5). count limits texts to their first count characters (-1: whole texts).
// No common type raises 30044; a common type that cannot be ordered raises 30047.
int VexCompareValues(const TVexCompareOperand& left, const TVexCompareOperand& right,
                     bool caseInsensitive, int32_t count = -1);
// Folds a raw result: NULL sorts first and equals NULL. Gives 0 equal, 1 less, 2 greater.
int VexFoldCompareResult(int raw);
// The same folding as -1, 0 or 1.
int VexCompareThreeWay(const TVexCompareOperand& left, const TVexCompareOperand& right,
                       bool caseInsensitive, int32_t count = -1);
