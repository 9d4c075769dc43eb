// Search conditions of a table scan and the owning array of them.
#include "engine/base/VexScanSearchCondition.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexExcept.h"

std::unique_ptr<TVexScanSearchCondition> TVexScanSearchCondition::MakeKey(int32_t indexID,
                                                                          uint8_t compareType,
                                                                          const uint8_t* key,
                                                                          int32_t keySize,
                                                                          int32_t keyFieldCount) {
  auto condition = std::make_unique<TVexScanSearchCondition>();
  condition->IndexID = indexID;
  condition->CompareType = compareType;
  condition->KeyFieldCount = keyFieldCount;
  condition->CopyKey(key, keySize);
  return condition;
}

std::unique_ptr<TVexScanSearchCondition> TVexScanSearchCondition::MakeExpression(
    TVexExpression* expression) {
  auto condition = std::make_unique<TVexScanSearchCondition>();
  condition->Expression = expression;
  return condition;
}

void TVexScanSearchCondition::BorrowKey(uint8_t* key, int32_t keySize) {
  OwnedKey_.Reset();
  KeyBuffer = key;
  KeySize = key ? keySize : 0;
  Borrowed = true;
}

void TVexScanSearchCondition::CopyKey(const uint8_t* key, int32_t keySize) {
  if (!key || keySize <= 0) {
    OwnedKey_.Reset();
    KeyBuffer = nullptr;
    KeySize = 0;
  } else {
    TVexMemoryBlock copy(keySize);
    std::memcpy(copy.Data(), key, size_t(keySize));
    OwnedKey_ = std::move(copy);
    KeyBuffer = OwnedKey_.Data();
    KeySize = keySize;
  }
  Borrowed = false;
}

TVexScanSearchCondition& TVexScanSearchConditionArray::Add(
    std::unique_ptr<TVexScanSearchCondition> condition) {
  if (!condition || (condition->Expression == nullptr && condition->IndexID == -1))
    throw EVexException(10388, "Invalid scan condition - indexID = %d, count = %d",
                        {condition ? condition->IndexID : -1, Count()});
  Items_.push_back(std::move(condition));
  return *Items_.back();
}

TVexScanSearchCondition& TVexScanSearchConditionArray::Item(int32_t itemNo) const {
  if (itemNo < 0 || itemNo >= Count() || !Items_[size_t(itemNo)])
    throw EVexException(10382, "Invalid condition number = %d, count = %d", {itemNo, Count()});
  return *Items_[size_t(itemNo)];
}

void TVexScanSearchConditionArray::Delete(int32_t itemNo) {
  if (itemNo < 0 || itemNo >= Count())
    throw EVexException(10413, "Invalid item number - ItemNo = %d, ItemCount = %d",
                        {itemNo, Count()});
  if (!Items_[size_t(itemNo)]) throw EVexException(10414, "Nil pointer occured");
  Items_.erase(Items_.begin() + itemNo);
}

std::unique_ptr<TVexScanSearchCondition> TVexScanSearchConditionArray::Extract(int32_t itemNo) {
  Item(itemNo);
  auto condition = std::move(Items_[size_t(itemNo)]);
  Items_.erase(Items_.begin() + itemNo);
  return condition;
}

void TVexScanSearchConditionArray::Insert(int32_t itemNo,
                                          std::unique_ptr<TVexScanSearchCondition> condition) {
  if (itemNo < 0 || itemNo > Count())
    throw EVexException(10413, "Invalid item number - ItemNo = %d, ItemCount = %d",
                        {itemNo, Count()});
  Add(std::move(condition));
  std::rotate(Items_.begin() + itemNo, Items_.end() - 1, Items_.end());
}
