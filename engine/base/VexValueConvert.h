// Values in storage representation (the bytes of a record-buffer slot or a variant block):
// reading and writing them as native values, and the conversion routine between every pair
// of storage types.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/VexConverts.h"
#include "engine/base/VexMemory.h"
#include "engine/base/VexTypes.h"

// Little-endian access to the fixed-size representations.
int64_t ReadStoredInteger(const uint8_t* p, TVexStorageType type);     // types 5..11
void WriteStoredInteger(uint8_t* p, TVexStorageType type, int64_t v);  // keeps low-order bytes
long double ReadStoredFloat(const uint8_t* p, TVexStorageType type);   // 12..14, 22
void WriteStoredFloat(uint8_t* p, TVexStorageType type, long double v);
long double ReadExtended(const uint8_t* p);  // 10-byte x87 extended
void WriteExtended(uint8_t* p, long double v);
int32_t ReadStoredInt32(const uint8_t* p);
void WriteStoredInt32(uint8_t* p, int32_t v);

// Text of a value block of a text or MEMO type: up to the first terminator within size.
std::string ReadStoredAnsi(const uint8_t* p, int32_t size);
std::u16string ReadStoredWide(const uint8_t* p, int32_t size);

// Fixed size of a storage type's representation, or 0 for text, bytes and BLOB types.
int32_t FixedValueSize(TVexStorageType type);

// Converts a value of srcType (srcSize bytes; -1: the type's fixed size, or up to the
// terminator for text) to dstType. Undefined conversions raise 30052, failing ones 30051
// ("Cannot cast from '%s' to '%s'").
TVexMemoryBlock VexConvertValue(const uint8_t* src, int32_t srcSize, TVexStorageType srcType,
                                TVexStorageType dstType, int32_t& dstSize);

// Blocks holding a native value in storage representation.
TVexMemoryBlock MakeAnsiBlock(const std::string& text, int32_t& size);
TVexMemoryBlock MakeWideBlock(const std::u16string& text, int32_t& size);
TVexMemoryBlock MakeBytesBlock(const void* data, int32_t count);
