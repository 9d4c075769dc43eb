// TVexKeyPath: the way from the root of a B-tree down to one entry, one (page, item, item
// count) triple per level. Navigation steps a path through the level links.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct TVexKeyPathLevel {
  int32_t PageNo = -1;
  int32_t ItemIndex = 0;
  int32_t ItemCount = 0;
};

class TVexKeyPath {
 public:
  static constexpr int32_t kMaxLevels = 32;

  void Clear() { Count = 0; }
  // Appends a level; a tree deeper than kMaxLevels is damaged (20296).
  void Push(int32_t pageNo, int32_t itemIndex, int32_t itemCount);
  TVexKeyPathLevel& Leaf() { return Levels[std::size_t(Count - 1)]; }
  const TVexKeyPathLevel& Leaf() const { return Levels[std::size_t(Count - 1)]; }
  TVexKeyPathLevel& operator[](int32_t level) { return Levels[std::size_t(level)]; }
  const TVexKeyPathLevel& operator[](int32_t level) const { return Levels[std::size_t(level)]; }
  // True when the path names an entry (not a position past a leaf's end).
  bool IsValid() const {
    return Count > 0 && Leaf().ItemIndex >= 0 && Leaf().ItemIndex < Leaf().ItemCount;
  }

  std::array<TVexKeyPathLevel, kMaxLevels> Levels{};
  int32_t Count = 0;
};
