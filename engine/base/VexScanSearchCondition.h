// Search conditions of a table scan: one condition (an expression, or a key bound on an
// index) and the owning array that gathers them for one search.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/VexMemory.h"

class TVexExpression;
class TVexExprNode;

// Comparison of a key condition against the index keys.
enum TVexScanCompareType : uint8_t {
  vscNone = 0,
  vscEqual = 1,
  vscLess = 2,
  vscGreater = 3,
  vscLessOrEqual = 4,
  vscGreaterOrEqual = 5,
};

class TVexScanSearchCondition {
 public:
  TVexScanSearchCondition() = default;
  TVexScanSearchCondition(const TVexScanSearchCondition&) = delete;
  TVexScanSearchCondition& operator=(const TVexScanSearchCondition&) = delete;

  // An index bound: an owned copy of keySize bytes of key (record-buffer layout).
  static std::unique_ptr<TVexScanSearchCondition> MakeKey(int32_t indexID, uint8_t compareType,
                                                          const uint8_t* key, int32_t keySize,
                                                          int32_t keyFieldCount);
  // A condition that only an expression decides.
  static std::unique_ptr<TVexScanSearchCondition> MakeExpression(TVexExpression* expression);

  // Points the key at a buffer the condition does not own.
  void BorrowKey(uint8_t* key, int32_t keySize);
  // Copies keySize bytes into a buffer of its own.
  void CopyKey(const uint8_t* key, int32_t keySize);
  // Whether the condition bounds an index.
  bool HasIndex() const { return IndexID != -1 && CompareType != vscNone; }

  TVexExpression* Expression = nullptr;  // not owned; null for pure key bounds
  uint8_t CompareType = vscNone;
  uint8_t* KeyBuffer = nullptr;  // record-buffer layout; OwnedKey_ or borrowed
  int32_t KeySize = 0;
  int32_t KeyFieldCount = 0;
  int32_t IndexID = -1;
  bool AppliedByIndex = false;  // the index walk decides it; no record test needed
  // The expression nodes the condition came from (the SQL layer's bookkeeping).
  std::vector<TVexExprNode*> SourceNodes;
  std::vector<TVexExprNode*> SourceConjuncts;
  bool Borrowed = false;
  bool FromUniqueEquality = false;

 private:
  TVexMemoryBlock OwnedKey_;
};

class TVexScanSearchConditionArray {
 public:
  int32_t Count() const { return int32_t(Items_.size()); }
  // Appends a condition. One with neither an expression nor an index raises 10388
  // "Invalid scan condition - indexID = %d, count = %d".
  TVexScanSearchCondition& Add(std::unique_ptr<TVexScanSearchCondition> condition);
  // The condition at itemNo (10382 outside the array).
  TVexScanSearchCondition& Item(int32_t itemNo) const;
  // Frees the condition at itemNo: 10413 "Invalid item number - ItemNo = %d, ItemCount = %d"
  // outside the array, 10414 "Nil pointer occured" for an empty slot.
  void Delete(int32_t itemNo);
  // Takes the condition at itemNo out of the array.
  std::unique_ptr<TVexScanSearchCondition> Extract(int32_t itemNo);
  void Insert(int32_t itemNo, std::unique_ptr<TVexScanSearchCondition> condition);
  void Clear() { Items_.clear(); }

 private:
  std::vector<std::unique_ptr<TVexScanSearchCondition>> Items_;
};
