// The stored shape of a compressed BLOB: the 20-byte block header written in front of each
// compressed block, the array of a stream's block headers, and the BLOB descriptor through
// which a table engine hands a stored value to the stream and gets its new shape back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Header of one compressed block (20 bytes, little-endian): compressed size C, uncompressed
// size U, CRC of the U bytes, and the block length C + 20 (distance to the next header).
struct TVexCompressedStreamBlockHeader {
  static constexpr int32_t kSize = 20;

  int32_t CompressedSize = 0;
  int32_t UncompressedSize = 0;
  uint32_t Crc32 = 0;
  int64_t BlockLength = 0;

  void WriteTo(uint8_t (&bytes)[kSize]) const;
  static TVexCompressedStreamBlockHeader ReadFrom(const uint8_t (&bytes)[kSize]);
};

// The headers of a stream's blocks with the position of each header in the base stream. The
// capacity grows by a step that starts at 10 and doubles on each growth up to 10000, and
// shrinks likewise.
class TVexCompressedStreamBlockHeadersArray {
 public:
  struct TItem {
    TVexCompressedStreamBlockHeader Header;
    int64_t Position = 0;
  };

  int64_t Count() const { return int64_t(Items_.size()); }
  int64_t Capacity() const { return int64_t(Items_.capacity()); }
  void SetCount(int64_t count);
  void Add(const TItem& item);
  TItem& operator[](int64_t index) { return Items_[size_t(index)]; }
  const TItem& operator[](int64_t index) const { return Items_[size_t(index)]; }

 private:
  static constexpr int64_t kFirstStep = 10;
  static constexpr int64_t kMaxStep = 10000;

  std::vector<TItem> Items_;
  int64_t GrowStep_ = kFirstStep;
  int64_t ShrinkStep_ = kFirstStep;
};

// How a table engine describes a stored BLOB to the compressed stream (32 bytes in memory).
struct TVexBLOBDescriptor {
  int32_t BlockSize = 0;         // uncompressed bytes per block; 0 = by compression mode
  int64_t BlockCount = 0;        // blocks stored
  int64_t UncompressedSize = 0;  // size of the value as the stream presents it
  int64_t StartPosition = 0;     // position of the first block in the base stream
  uint8_t CompressionAlgorithm = 0;
  uint8_t CompressionMode = 0;
};
