// The growable integer array.
#include "engine/base/VexIntegerArray.h"

#include <algorithm>

#include "engine/base/VexExcept.h"

TVexIntegerArray::TVexIntegerArray(int32_t initialCount, int32_t maxStep, int32_t initialStep)
    : GrowStep_(std::max(initialStep, 1)),
      ShrinkStep_(std::max(initialStep, 1)),
      MaxStep_(std::max(maxStep, 1)) {
  Items_.assign(size_t(std::max(initialCount, 0)), 0);
  Count_ = int32_t(Items_.size());
}

void TVexIntegerArray::SetCount(int32_t newCount) {
  if (newCount < 0) throw EVexException(30054, "List index out of bounds (%d)", {newCount});
  const int32_t capacity = Capacity();
  if (newCount > capacity) {
    GrowStep_ = std::min(GrowStep_ * 2, MaxStep_);
    const int64_t grown = int64_t(capacity) + GrowStep_;
    Items_.resize(size_t(std::max<int64_t>(grown, newCount)), 0);
  } else if (newCount < Count_ && capacity - newCount > ShrinkStep_) {
    Items_.resize(size_t(newCount));
    Items_.shrink_to_fit();
    ShrinkStep_ = std::min(ShrinkStep_ * 2, MaxStep_);
  }
  // Items between the new count and the old one become 0 when they are reached again.
  for (int32_t i = std::min(Count_, newCount); i < newCount; ++i) Items_[size_t(i)] = 0;
  Count_ = newCount;
}

void TVexIntegerArray::Append(int32_t value) {
  SetCount(Count_ + 1);
  Items_[size_t(Count_ - 1)] = value;
}

void TVexIntegerArray::Delete(int32_t index) {
  if (index < 0 || index >= Count_)
    throw EVexException(30054, "List index out of bounds (%d)", {index});
  std::copy(Items_.begin() + index + 1, Items_.begin() + Count_, Items_.begin() + index);
  SetCount(Count_ - 1);
}

int32_t TVexIntegerArray::IndexOf(int32_t value) const {
  for (int32_t i = 0; i < Count_; ++i)
    if (Items_[size_t(i)] == value) return i;
  return -1;
}
