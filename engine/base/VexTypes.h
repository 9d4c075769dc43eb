// The engine's type codes: the declared data type of a field (what a table definition or an
// SQL type name says) and its storage type (the physical representation in a record), plus
// the dataset field types that the type table maps them to.
#pragma once

#include <cstdint>

// Declared data type of a field or value. Code 0 means no type.
enum TVexDataType : uint8_t {
  vdtUnknown = 0,
  vdtChar = 1,  // fixed-length ANSI text
  vdtString = 2,
  vdtWideChar = 3,
  vdtWideString = 4,
  vdtShortInt = 5,
  vdtSmallInt = 6,
  vdtInteger = 7,
  vdtLargeInt = 8,
  vdtByte = 9,
  vdtWord = 10,
  vdtCardinal = 11,
  vdtAutoInc = 12,
  vdtAutoIncShortInt = 13,
  vdtAutoIncSmallInt = 14,
  vdtAutoIncInteger = 15,
  vdtAutoIncLargeInt = 16,
  vdtAutoIncByte = 17,
  vdtAutoIncWord = 18,
  vdtAutoIncCardinal = 19,
  vdtSingle = 20,
  vdtFloat = 21,  // double precision
  vdtExtended = 22,
  vdtLogical = 23,
  vdtCurrency = 24,
  vdtDate = 25,
  vdtTime = 26,
  vdtDateTime = 27,
  vdtTimeStamp = 28,
  vdtBytes = 29,
  vdtVarBytes = 30,
  vdtBlob = 31,
  vdtGraphic = 32,
  vdtMemo = 33,
  vdtFormattedMemo = 34,
  vdtWideMemo = 35,
  vdtGuid = 36,
};

// Physical representation of a value in a record buffer. Code 0 means no type.
enum TVexStorageType : uint8_t {
  vstUnknown = 0,
  vstChar = 1,        // ANSI, zero-terminated, slot L+1
  vstWideChar = 2,    // UTF-16, zero-terminated, slot (L+1)*2
  vstString = 3,      // as vstChar
  vstWideString = 4,  // as vstWideChar
  vstShortInt = 5,    // signed 8-bit
  vstSmallInt = 6,    // signed 16-bit
  vstInteger = 7,     // signed 32-bit
  vstLargeInt = 8,    // signed 64-bit
  vstByte = 9,        // unsigned 8-bit
  vstWord = 10,       // unsigned 16-bit
  vstCardinal = 11,   // unsigned 32-bit
  vstSingle = 12,     // IEEE single
  vstFloat = 13,      // IEEE double
  vstExtended = 14,   // x87 80-bit extended (10 bytes)
  vstDate = 15,       // signed 32-bit day number, day 1 = 0001-01-01
  vstTime = 16,       // signed 32-bit milliseconds since midnight
  vstDateTime = 17,   // day number (4 bytes) then milliseconds (4 bytes)
  vstBlob = 18,       // BLOB slot, 10 bytes (6 stored)
  vstMemo = 19,       // BLOB slot
  vstWideMemo = 20,   // BLOB slot
  vstLogical = 21,    // 16-bit boolean, 0 = false
  vstCurrency = 22,   // IEEE double holding the amount itself
  vstBytes = 23,      // raw bytes, slot L+1
  vstVarBytes = 24,   // raw bytes, slot L+1
};

// Highest storage type code in use.
constexpr uint8_t kVexMaxStorageType = vstVarBytes;
// Highest declared data type code in use.
constexpr uint8_t kVexMaxDataType = vdtGuid;

// Field type of the dataset layer, with its conventional numbering.
enum TFieldType : uint8_t {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBytes = 12,
  ftVarBytes = 13,
  ftAutoInc = 14,
  ftBlob = 15,
  ftMemo = 16,
  ftGraphic = 17,
  ftFmtMemo = 18,
  ftParadoxOle = 19,
  ftDBaseOle = 20,
  ftTypedBinary = 21,
  ftCursor = 22,
  ftFixedChar = 23,
  ftWideString = 24,
  ftLargeint = 25,
  ftADT = 26,
  ftArray = 27,
  ftReference = 28,
  ftDataSet = 29,
  ftOraBlob = 30,
  ftOraClob = 31,
  ftVariant = 32,
  ftInterface = 33,
  ftIDispatch = 34,
  ftGuid = 35,
  ftTimeStamp = 36,
  ftFMTBcd = 37,
};

// Size of the BLOB slot of a record buffer, and of its persistent part kept in a stored record.
constexpr int32_t kVexBlobSlotSize = 10;
constexpr int32_t kVexStoredBlobSlotSize = 6;
