// Record buffer and stored record geometry and the copies between the two images.
#include "engine/base/VexRecordLayout.h"

#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexTypesRoutines.h"

namespace {

int32_t AddChecked(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) throw EVexException(30054, "Arithmetic overflow");
  return r;
}

}  // namespace

int32_t NullBitmapSize(int32_t fieldCount) {
  return (fieldCount + 7) / 8;
}

bool GetNullBit(const uint8_t* bitmap, int32_t fieldNo) {
  return (bitmap[fieldNo / 8] >> (fieldNo % 8)) & 1;
}

void SetNullBit(uint8_t* bitmap, int32_t fieldNo, bool isNull) {
  const uint8_t mask = uint8_t(1u << (fieldNo % 8));
  if (isNull)
    bitmap[fieldNo / 8] |= mask;
  else
    bitmap[fieldNo / 8] &= uint8_t(~mask);
}

void ComputeRecordLayout(TVexRecordLayout& layout) {
  layout.BitmapSize = NullBitmapSize(int32_t(layout.Fields.size()));
  int32_t bufferOffset = layout.BitmapSize;
  int32_t storedOffset = layout.BitmapSize;
  for (TVexFieldSlot& f : layout.Fields) {
    f.BufferSize = StorageTypeSize(f.StorageType, f.Length);
    f.StoredSize = IsBlobStorageType(f.StorageType) ? kVexStoredBlobSlotSize : f.BufferSize;
    f.BufferOffset = bufferOffset;
    f.StoredOffset = storedOffset;
    bufferOffset = AddChecked(bufferOffset, f.BufferSize);
    storedOffset = AddChecked(storedOffset, f.StoredSize);
  }
  layout.RecordBufferSize = bufferOffset;
  layout.StoredRecordSize = storedOffset;
}

void StoredRecordToRecordBuffer(const TVexRecordLayout& layout, const uint8_t* stored,
                                uint8_t* buffer) {
  std::memset(buffer, 0, size_t(layout.RecordBufferSize));
  std::memcpy(buffer, stored, size_t(layout.BitmapSize));
  for (const TVexFieldSlot& f : layout.Fields)
    std::memcpy(buffer + f.BufferOffset, stored + f.StoredOffset, size_t(f.StoredSize));
}

void RecordBufferToStoredRecord(const TVexRecordLayout& layout, const uint8_t* buffer,
                                uint8_t* stored) {
  std::memset(stored, 0, size_t(layout.StoredRecordSize));
  std::memcpy(stored, buffer, size_t(layout.BitmapSize));
  for (const TVexFieldSlot& f : layout.Fields)
    std::memcpy(stored + f.StoredOffset, buffer + f.BufferOffset, size_t(f.StoredSize));
}

void CanonicaliseRecordBuffer(std::span<const TVexFieldSlot> fields, uint8_t* buffer) {
  for (size_t i = 0; i < fields.size(); ++i) {
    const TVexFieldSlot& f = fields[i];
    if (!IsTextStorageType(f.StorageType)) continue;
    uint8_t* slot = buffer + f.BufferOffset;
    if (GetNullBit(buffer, int32_t(i))) {
      std::memset(slot, 0, size_t(f.BufferSize));
      continue;
    }
    const int32_t unit = IsWideStorageType(f.StorageType) ? 2 : 1;
    int32_t end = 0;  // offset just past the terminator
    while (end + unit <= f.BufferSize) {
      bool zero = slot[end] == 0 && (unit == 1 || slot[end + 1] == 0);
      end += unit;
      if (zero) break;
    }
    std::memset(slot + end, 0, size_t(f.BufferSize - end));
  }
}
