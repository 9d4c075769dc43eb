// Layout of one row in memory (the record buffer) and as table engines keep it (the stored
// record): a null bitmap (bit set = NULL, least significant bit first) followed by each
// field's slot without padding. BLOB slots are 10 bytes in a buffer and 6 when stored.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/VexTypes.h"

// Geometry of one field's slot in both images of a row.
struct TVexFieldSlot {
  TVexStorageType StorageType = vstUnknown;
  int32_t Length = 0;  // declared length in characters or bytes (text and bytes only)
  int32_t BufferOffset = 0;
  int32_t BufferSize = 0;
  int32_t StoredOffset = 0;
  int32_t StoredSize = 0;
};

// Geometry of a whole row.
struct TVexRecordLayout {
  int32_t BitmapSize = 0;
  int32_t RecordBufferSize = 0;
  int32_t StoredRecordSize = 0;
  std::vector<TVexFieldSlot> Fields;
};

// Bytes of the null bitmap of a row of fieldCount fields: ceil(fieldCount / 8).
int32_t NullBitmapSize(int32_t fieldCount);
// Null bit of field fieldNo (0-based) in the bitmap at the start of a row.
bool GetNullBit(const uint8_t* bitmap, int32_t fieldNo);
void SetNullBit(uint8_t* bitmap, int32_t fieldNo, bool isNull);

// Fills sizes and offsets of every field from its storage type and length, and the layout's
// totals. 32-bit overflow raises 30054; an unknown storage type raises 30050.
void ComputeRecordLayout(TVexRecordLayout& layout);

// Copies a stored record into a record buffer (zero-filled first; BLOB handles arrive zero).
void StoredRecordToRecordBuffer(const TVexRecordLayout& layout, const uint8_t* stored,
                                uint8_t* buffer);
// Copies a record buffer into a stored record (zero-filled first; only 6 BLOB bytes move).
void RecordBufferToStoredRecord(const TVexRecordLayout& layout, const uint8_t* buffer,
                                uint8_t* stored);
// Prepares a record buffer for a byte-wise comparison: in each text slot holding a value
// every byte after the terminator becomes zero; the slot of a NULL text field is all zero.
void CanonicaliseRecordBuffer(std::span<const TVexFieldSlot> fields, uint8_t* buffer);
