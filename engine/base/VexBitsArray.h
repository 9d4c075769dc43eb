// A bit array (bits in the order of the null bitmap: bit i is bit i mod 8 of byte i div 8)
// with a maintained count of set bits, searches for set bits, rank and select, and a stream
// form: bit count (4 bytes), set-bit count (4 bytes), then the bit bytes when there are bits.
#pragma once

#include <cstdint>

#include "engine/base/VexExcept.h"
#include "engine/base/VexMemory.h"
#include "engine/base/VexStreamConcepts.h"

class TVexBitsArray {
 public:
  // Error codes of the stream form.
  static constexpr int32_t kReadCountsCode = 10079;
  static constexpr int32_t kReadBitsCode = 10080;
  static constexpr int32_t kWriteCode = 10097;

  explicit TVexBitsArray(int32_t bitCount = 0);

  int32_t BitCount() const { return BitCount_; }
  int32_t SetBitCount() const { return SetBitCount_; }
  const uint8_t* Bits() const { return Bits_.Data(); }
  int32_t ByteCount() const { return BytesForBits(BitCount_); }
  static int32_t BytesForBits(int32_t bits) { return int32_t((int64_t(bits) + 7) / 8); }

  // Changes the number of bits; kept bits keep their values, new bits are clear.
  void SetSize(int32_t bitCount);
  bool GetBit(int32_t bitNo) const;        // 10394 outside the array
  void SetBit(int32_t bitNo, bool value);  // 10395 outside the array
  void SetAll(bool value);
  // Counts the set bits anew (the maintained count is the same).
  int32_t CountSetBits() const;
  // Index of the first bit equal to value, or -1.
  int32_t FindFirst(bool value) const;
  // Next set bit after `from` (from -1: the first set bit), or -1.
  int32_t FindNextSet(int32_t from) const;
  // Previous set bit before `from` (from -1: the last set bit), or -1.
  int32_t FindPriorSet(int32_t from) const;
  // Index of the k-th set bit (k from 0), or -1 when there are not that many (10428 for k
  // outside the array).
  int32_t SetBitByOrdinal(int32_t k) const;
  // Ordinal (from 0) of the set bit bitNo among all set bits (10429 outside the array).
  int32_t OrdinalOfSetBit(int32_t bitNo) const;

  template <TVexCheckedWriter W>
  void SaveToStream(W& writer) const;
  template <TVexCheckedReader R>
  void LoadFromStream(R& reader);

  // Number of set bits in each byte value.
  static int32_t BitsInByte(uint8_t b);

 private:
  // Checks a bit count read from a stream against the bytes left and gives storage for it.
  static TVexMemoryBlock NewLoadBlock(int32_t bitCount, int64_t remaining);
  // Takes loaded bits: clears stray bits past the count and counts the set bits (the stored
  // count is not trusted).
  void AdoptLoaded(int32_t bitCount, TVexMemoryBlock bits);

  int32_t BitCount_ = 0;
  int32_t SetBitCount_ = 0;
  TVexMemoryBlock Bits_;
};

template <TVexCheckedWriter W>
void TVexBitsArray::SaveToStream(W& writer) const {
  uint8_t head[8];
  for (int i = 0; i < 4; ++i) {
    head[i] = uint8_t(uint32_t(BitCount_) >> (8 * i));
    head[4 + i] = uint8_t(uint32_t(SetBitCount_) >> (8 * i));
  }
  writer.WriteChecked(head, 8, kWriteCode);
  if (BitCount_ > 0) {
    if (!Bits_) throw EVexException(10399, "Nil pointer occured");
    writer.WriteChecked(Bits_.Data(), ByteCount(), kWriteCode);
  }
}

template <TVexCheckedReader R>
void TVexBitsArray::LoadFromStream(R& reader) {
  uint8_t head[8];
  reader.ReadChecked(head, 8, kReadCountsCode);
  const int32_t bitCount = int32_t(uint32_t(head[0]) | uint32_t(head[1]) << 8 |
                                   uint32_t(head[2]) << 16 | uint32_t(head[3]) << 24);
  TVexMemoryBlock bits = NewLoadBlock(bitCount, reader.Remaining());
  if (bitCount > 0) reader.ReadChecked(bits.Data(), BytesForBits(bitCount), kReadBitsCode);
  AdoptLoaded(bitCount, std::move(bits));
}
