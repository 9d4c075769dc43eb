// The bit array.
#include "engine/base/VexBitsArray.h"

#include <cstring>

namespace {

constexpr auto kBitsInByte = [] {
  struct Table {
    uint8_t n[256];
  } t{};
  for (int b = 0; b < 256; ++b)
    for (int v = b; v; v >>= 1) t.n[b] += uint8_t(v & 1);
  return t;
}();

}  // namespace

int32_t TVexBitsArray::BitsInByte(uint8_t b) {
  return kBitsInByte.n[b];
}

TVexBitsArray::TVexBitsArray(int32_t bitCount) {
  SetSize(bitCount);
}

void TVexBitsArray::SetSize(int32_t bitCount) {
  if (bitCount < 0)
    throw EVexException(10395, "Invalid bit no = %d, number of bits = %d", {bitCount, BitCount_});
  const int32_t bytes = BytesForBits(bitCount);
  if (bytes == 0)
    Bits_.Reset();
  else
    Bits_.Resize(bytes, true);
  // Bits past the new count (in the last byte) are cleared so they never count as set.
  if (bitCount % 8) Bits_.Data()[bytes - 1] &= uint8_t((1u << (bitCount % 8)) - 1);
  BitCount_ = bitCount;
  SetBitCount_ = CountSetBits();
}

bool TVexBitsArray::GetBit(int32_t bitNo) const {
  if (bitNo < 0 || bitNo >= BitCount_)
    throw EVexException(10394, "Invalid bit no = %d, number of bits = %d", {bitNo, BitCount_});
  return (Bits_.Data()[bitNo / 8] >> (bitNo % 8)) & 1;
}

void TVexBitsArray::SetBit(int32_t bitNo, bool value) {
  if (bitNo < 0 || bitNo >= BitCount_)
    throw EVexException(10395, "Invalid bit no = %d, number of bits = %d", {bitNo, BitCount_});
  uint8_t& byte = Bits_.Data()[bitNo / 8];
  const uint8_t mask = uint8_t(1u << (bitNo % 8));
  if (bool(byte & mask) == value) return;
  if (value) {
    byte |= mask;
    ++SetBitCount_;
  } else {
    byte &= uint8_t(~mask);
    --SetBitCount_;
  }
}

void TVexBitsArray::SetAll(bool value) {
  if (BitCount_ == 0) return;
  std::memset(Bits_.Data(), value ? 0xFF : 0, size_t(ByteCount()));
  if (value && BitCount_ % 8) Bits_.Data()[ByteCount() - 1] = uint8_t((1u << (BitCount_ % 8)) - 1);
  SetBitCount_ = value ? BitCount_ : 0;
}

int32_t TVexBitsArray::CountSetBits() const {
  int32_t n = 0;
  for (int32_t i = 0; i < ByteCount(); ++i) n += BitsInByte(Bits_.Data()[i]);
  return n;
}

int32_t TVexBitsArray::FindFirst(bool value) const {
  const uint8_t skip = value ? 0x00 : 0xFF;  // a byte that cannot hold the bit sought
  for (int32_t i = 0; i < ByteCount(); ++i) {
    const uint8_t b = Bits_.Data()[i];
    if (b == skip) continue;
    for (int bit = 0; bit < 8; ++bit) {
      const int32_t no = i * 8 + bit;
      if (no >= BitCount_) return -1;
      if (bool((b >> bit) & 1) == value) return no;
    }
  }
  return -1;
}

int32_t TVexBitsArray::FindNextSet(int32_t from) const {
  int32_t no = from < 0 ? 0 : from + 1;
  while (no < BitCount_) {
    const uint8_t b = Bits_.Data()[no / 8];
    if ((b >> (no % 8)) == 0) {
      no = (no / 8 + 1) * 8;  // nothing set in the rest of this byte
      continue;
    }
    if ((b >> (no % 8)) & 1) return no;
    ++no;
  }
  return -1;
}

int32_t TVexBitsArray::FindPriorSet(int32_t from) const {
  int32_t no = from < 0 || from > BitCount_ ? BitCount_ - 1 : from - 1;
  while (no >= 0) {
    const uint8_t b = Bits_.Data()[no / 8];
    if (uint8_t(b << (7 - no % 8)) == 0) {
      no = (no / 8) * 8 - 1;  // nothing set in the lower part of this byte
      continue;
    }
    if ((b >> (no % 8)) & 1) return no;
    --no;
  }
  return -1;
}

int32_t TVexBitsArray::SetBitByOrdinal(int32_t k) const {
  if (k < 0 || k >= BitCount_)
    throw EVexException(10428, "Invalid bit no = %d, number of bits = %d", {k, BitCount_});
  int32_t left = k;
  for (int32_t i = 0; i < ByteCount(); ++i) {
    const uint8_t b = Bits_.Data()[i];
    const int32_t n = BitsInByte(b);
    if (left >= n) {
      left -= n;
      continue;
    }
    for (int bit = 0; bit < 8; ++bit)
      if ((b >> bit) & 1) {
        if (left == 0) return i * 8 + bit;
        --left;
      }
  }
  return -1;
}

int32_t TVexBitsArray::OrdinalOfSetBit(int32_t bitNo) const {
  if (bitNo < 0 || bitNo >= BitCount_)
    throw EVexException(10429, "Invalid bit no = %d, number of bits = %d", {bitNo, BitCount_});
  int32_t n = 0;
  for (int32_t i = 0; i < bitNo / 8; ++i) n += BitsInByte(Bits_.Data()[i]);
  const uint8_t below = uint8_t(Bits_.Data()[bitNo / 8] & ((1u << (bitNo % 8)) - 1));
  return n + BitsInByte(below);
}

TVexMemoryBlock TVexBitsArray::NewLoadBlock(int32_t bitCount, int64_t remaining) {
  if (bitCount < 0)
    throw EVexException(kReadCountsCode, "Invalid bit no = %d, number of bits = %d",
                        {bitCount, bitCount});
  const int32_t bytes = BytesForBits(bitCount);
  if (bytes > remaining)
    throw EVexException(kReadBitsCode, "Stream size = %d too small. Should be at least = %d",
                        {remaining, int64_t(bytes)});
  return bytes > 0 ? TVexMemoryBlock(bytes, true) : TVexMemoryBlock();
}

void TVexBitsArray::AdoptLoaded(int32_t bitCount, TVexMemoryBlock bits) {
  Bits_ = std::move(bits);
  BitCount_ = bitCount;
  if (bitCount % 8) Bits_.Data()[ByteCount() - 1] &= uint8_t((1u << (bitCount % 8)) - 1);
  SetBitCount_ = CountSetBits();
}
