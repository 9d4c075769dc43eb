// The compressed BLOB stream: presents a BLOB value as a plain seekable stream while keeping
// it as a chain of independently compressed blocks (each behind a 20-byte header) inside a
// base stream. Algorithm 0 makes it a window on the base stream.
#pragma once

#include <memory>
#include <vector>

#include "engine/base/VexCompressedBlocks.h"
#include "engine/base/VexStream.h"

class TVexCompressedBLOBStream : public TVexStream {
 public:
  // Opens the value that descriptor describes in base (which must outlive the stream), or
  // starts an empty one when isNew. A tolerant stream accepts a base stream that ends early:
  // it stops at the last whole block header (and, without compression, keeps the size).
  TVexCompressedBLOBStream(TVexStream& base, bool tolerant, bool isNew,
                           const TVexBLOBDescriptor& descriptor);
  // The same over a base stream that the compressed stream owns.
  TVexCompressedBLOBStream(std::unique_ptr<TVexStream> base, bool tolerant, bool isNew,
                           const TVexBLOBDescriptor& descriptor);

  int64_t GetSize() override { return UncompressedSize_; }
  // Growing appends zero bytes through the write path; shrinking drops the blocks past the
  // new size and rewrites the new last block cut to length.
  void SetSize(int64_t newSize) override;
  // Reads decompress only the blocks they touch (the current block is kept decompressed).
  int32_t Read(void* buffer, int32_t count) override;
  // With compression, bytes are taken only at or past the end (a gap is filled with zero
  // bytes first); a write before the end answers 0.
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  // The descriptor with the current block count and uncompressed size.
  const TVexBLOBDescriptor& Descriptor() const { return Descriptor_; }
  TVexStream& BaseStream() const { return *Base_; }
  int64_t BlockCount() const { return Headers_.Count(); }
  int32_t BlockSize() const { return BlockSize_; }
  const TVexCompressedStreamBlockHeadersArray& BlockHeaders() const { return Headers_; }
  // Stored bytes of the value: the block headers and compressed bytes (without compression,
  // the size).
  int64_t CompressedSize() const { return CompressedSize_; }
  // 100 * (1 - compressed / uncompressed); 0 without compression or for an empty value.
  float CompressionRatio() const { return CompressionRatio_; }
  // Number of blocks decompressed so far (each read of a block not already at hand counts).
  int64_t DecompressedBlockCount() const { return DecompressedBlocks_; }

 private:
  void Open(bool isNew);
  void LoadBlockHeaders(int64_t count);
  // Makes block index the current block (its uncompressed bytes in Block_).
  void LoadBlock(int64_t index);
  // Compresses content and writes it with a new header at headerPosition in the base stream.
  TVexCompressedStreamBlockHeader WriteBlock(const std::vector<uint8_t>& content,
                                             int64_t headerPosition, int32_t seekCode);
  void WriteAtEnd(const uint8_t* data, int32_t count);
  void Extend(int64_t newSize);
  void Shrink(int64_t newSize);
  int64_t ChainEnd() const;
  void UpdateTotals();

  std::unique_ptr<TVexStream> OwnedBase_;
  TVexStream* Base_;
  TVexCompressedStreamBlockHeadersArray Headers_;
  bool Tolerant_;
  int64_t UncompressedSize_ = 0;
  int64_t CompressedSize_ = 0;
  int64_t StartOffset_ = 0;
  int64_t CurrentBlock_ = -1;  // block held in Block_, -1 for none
  std::vector<uint8_t> Block_;
  int64_t Position_ = 0;
  uint8_t Algorithm_ = 0;
  uint8_t Mode_ = 0;
  int32_t BlockSize_ = 0;
  float CompressionRatio_ = 0;
  TVexBLOBDescriptor Descriptor_;
  int64_t DecompressedBlocks_ = 0;
};
