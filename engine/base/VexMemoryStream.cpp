// The in-memory stream.
#include "engine/base/VexMemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kMaxSize = std::numeric_limits<int32_t>::max();

}  // namespace

TVexMemoryStream::TVexMemoryStream(int32_t capacity) {
  if (capacity > 0) Reserve(capacity);
}

TVexMemoryStream::TVexMemoryStream(TVexMemoryBlock block) : Block_(std::move(block)) {
  Size_ = Capacity_ = Block_.Size();
}

void TVexMemoryStream::Reserve(int64_t size) {
  if (size > kMaxSize) throw EStreamError("Out of memory while expanding memory stream");
  if (size <= Capacity_) return;
  const int32_t capacity = int32_t(std::min(size * 2, kMaxSize));
  if (Block_)
    Block_.Resize(capacity, true);
  else
    Block_ = TVexMemoryBlock(capacity, true);
  Capacity_ = capacity;
}

void TVexMemoryStream::SetSize(int64_t newSize) {
  if (newSize <= 0) {
    Block_.Reset();
    Size_ = Capacity_ = 0;
    return;
  }
  Reserve(newSize);
  if (newSize > Size_) std::memset(Block_.Data() + Size_, 0, size_t(newSize - Size_));
  Size_ = int32_t(newSize);
}

int32_t TVexMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || Position_ >= Size_) return 0;
  const int32_t n = std::min(count, Size_ - Position_);
  std::memcpy(buffer, Block_.Data() + Position_, size_t(n));
  Position_ += n;
  return n;
}

int32_t TVexMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = int64_t(Position_) + count;
  if (end > Size_) SetSize(end);
  std::memcpy(Block_.Data() + Position_, buffer, size_t(count));
  Position_ = int32_t(end);
  return count;
}

int64_t TVexMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t position = SeekTarget(offset, origin, Position_, Size_);
  if (position >= 0 && position <= kMaxSize) Position_ = int32_t(position);
  return Position_;
}
