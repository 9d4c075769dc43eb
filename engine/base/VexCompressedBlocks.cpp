// The compressed block header and the array of a stream's block headers.
#include "engine/base/VexCompressedBlocks.h"

#include <algorithm>

namespace {

void PutLE(uint8_t* p, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = uint8_t(value >> (8 * i));
}

uint64_t GetLE(const uint8_t* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

}  // namespace

void TVexCompressedStreamBlockHeader::WriteTo(uint8_t (&bytes)[kSize]) const {
  PutLE(bytes, uint32_t(CompressedSize), 4);
  PutLE(bytes + 4, uint32_t(UncompressedSize), 4);
  PutLE(bytes + 8, Crc32, 4);
  PutLE(bytes + 12, uint64_t(BlockLength), 8);
}

TVexCompressedStreamBlockHeader TVexCompressedStreamBlockHeader::ReadFrom(
    const uint8_t (&bytes)[kSize]) {
  TVexCompressedStreamBlockHeader header;
  header.CompressedSize = int32_t(uint32_t(GetLE(bytes, 4)));
  header.UncompressedSize = int32_t(uint32_t(GetLE(bytes + 4, 4)));
  header.Crc32 = uint32_t(GetLE(bytes + 8, 4));
  header.BlockLength = int64_t(GetLE(bytes + 12, 8));
  return header;
}

void TVexCompressedStreamBlockHeadersArray::SetCount(int64_t count) {
  count = std::max<int64_t>(count, 0);
  if (count > Capacity()) {
    const int64_t capacity = std::max(count, Capacity() + GrowStep_);
    GrowStep_ = std::min(GrowStep_ * 2, kMaxStep);
    Items_.reserve(size_t(capacity));
  } else if (Capacity() - count > ShrinkStep_) {
    ShrinkStep_ = std::min(ShrinkStep_ * 2, kMaxStep);
    Items_.resize(size_t(count));
    Items_.shrink_to_fit();
  }
  Items_.resize(size_t(count));
}

void TVexCompressedStreamBlockHeadersArray::Add(const TItem& item) {
  SetCount(Count() + 1);
  Items_.back() = item;
}
