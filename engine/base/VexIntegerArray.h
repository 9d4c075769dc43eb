// A growable array of signed 32-bit integers whose capacity grows and shrinks in steps that
// double up to a maximum, so repeated appends and deletes do not reallocate every time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TVexIntegerArray {
 public:
  TVexIntegerArray(int32_t initialCount = 0, int32_t maxStep = 1024, int32_t initialStep = 16);

  int32_t Count() const { return Count_; }
  int32_t Capacity() const { return int32_t(Items_.size()); }
  int32_t GrowStep() const { return GrowStep_; }
  int32_t ShrinkStep() const { return ShrinkStep_; }
  int32_t MaxStep() const { return MaxStep_; }

  int32_t& operator[](int32_t index) { return Items_[size_t(index)]; }
  int32_t operator[](int32_t index) const { return Items_[size_t(index)]; }
  const int32_t* Items() const { return Items_.data(); }

  // Sets the number of items; new items are 0.
  void SetCount(int32_t newCount);
  void Append(int32_t value);
  // Removes the item at index; later items move down.
  void Delete(int32_t index);
  // Index of the first item equal to value, or -1 (linear search).
  int32_t IndexOf(int32_t value) const;
  bool Contains(int32_t value) const { return IndexOf(value) >= 0; }

 private:
  std::vector<int32_t> Items_;  // size() is the capacity
  int32_t Count_ = 0;
  int32_t GrowStep_;
  int32_t ShrinkStep_;
  int32_t MaxStep_;
};
