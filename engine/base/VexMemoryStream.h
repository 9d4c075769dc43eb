// The in-memory stream: a memory-manager block with a size, a capacity and a position.
#pragma once

#include "engine/base/VexMemory.h"
#include "engine/base/VexStream.h"

class TVexMemoryStream : public TVexStream {
 public:
  // An empty stream with room for capacity bytes (no block for 0).
  explicit TVexMemoryStream(int32_t capacity = 0);
  // Adopts a memory-manager block; the stream's size is the block's size.
  explicit TVexMemoryStream(TVexMemoryBlock block);

  int64_t GetSize() override { return Size_; }
  // Growing past the capacity reallocates to twice the requested size (new bytes are zero);
  // size 0 frees the block; shrinking keeps it. A size beyond 32 bits raises EStreamError.
  void SetSize(int64_t newSize) override;
  // Reads past the size answer 0 bytes.
  int32_t Read(void* buffer, int32_t count) override;
  // A write past the size grows the stream (a gap is filled with zero bytes).
  int32_t Write(const void* buffer, int32_t count) override;
  // Any position from 0 up is allowed, also past the end; a negative one leaves it unchanged.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  uint8_t* Memory() const { return Block_.Data(); }
  int32_t Capacity() const { return Capacity_; }

 private:
  void Reserve(int64_t size);

  TVexMemoryBlock Block_;
  int32_t Size_ = 0;
  int32_t Capacity_ = 0;
  int32_t Position_ = 0;
};
