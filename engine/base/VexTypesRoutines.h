// The type table (62 rows mapping SQL type names, declared types, storage types and dataset
// field types) and the routines that look codes up in it, size storage slots and classify
// codes. Every reverse lookup takes the first matching row, so the row order is behaviour.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/base/VexTypes.h"

// One row of the type table.
struct TVexTypeTableRow {
  const char* SqlName;
  TVexDataType DataType;
  TVexStorageType StorageType;
  TFieldType FieldType;
};

// The 62 rows in their search order.
std::span<const TVexTypeTableRow> VexTypeTable();

// Storage type of the first row with that declared type; vstUnknown when there is none.
TVexStorageType DataTypeToStorageType(TVexDataType dataType);
// Declared type of the first row with that storage type; vdtUnknown when there is none.
TVexDataType StorageTypeToDataType(TVexStorageType storageType);
// Dataset field type of the first row with that declared type; ftUnknown when there is none.
TFieldType DataTypeToFieldType(TVexDataType dataType);
// Declared type of the first row with that field type; raises 30289 when there is none.
TVexDataType FieldTypeToDataType(TFieldType fieldType);
// SQL name of the first matching row, or "Unknown".
std::string DataTypeName(TVexDataType dataType);
std::string StorageTypeName(TVexStorageType storageType);
// Declared type of the first row with that SQL name (case-insensitive); vdtUnknown if none.
TVexDataType SqlNameToDataType(const std::string& name);

// Slot size in a record buffer of a value of the storage type with declared length `length`
// (characters or bytes for text and bytes, ignored otherwise). Raises 30050 for an unknown
// code, 30054 when the size does not fit 32 bits.
int32_t StorageTypeSize(TVexStorageType storageType, int32_t length);
// Size of the same slot in a stored record: 6 for BLOB storage, otherwise StorageTypeSize.
int32_t StoredTypeSize(TVexStorageType storageType, int32_t length);

// Type predicates.
inline bool IsBlobStorageType(uint8_t t) {
  return t >= vstBlob && t <= vstWideMemo;
}
inline bool IsBlobDataType(uint8_t t) {
  return t >= vdtBlob && t <= vdtWideMemo;
}
inline bool IsTextStorageType(uint8_t t) {
  return t >= vstChar && t <= vstWideString;
}
inline bool IsTextDataType(uint8_t t) {
  return (t >= vdtChar && t <= vdtWideString) || t == vdtGuid;
}
inline bool IsWideStorageType(uint8_t t) {
  return t == vstWideChar || t == vstWideString;
}
inline bool IsWideDataType(uint8_t t) {
  return t == vdtWideChar || t == vdtWideString;
}
inline bool IsBytesDataType(uint8_t t) {
  return t == vdtBytes || t == vdtVarBytes;
}
inline bool IsAutoIncDataType(uint8_t t) {
  return t >= vdtAutoInc && t <= vdtAutoIncCardinal;
}
inline bool IsNumericStorageType(uint8_t t) {
  return (t >= vstShortInt && t <= vstExtended) || t == vstCurrency;
}
inline bool IsIntegerStorageType(uint8_t t) {
  return t >= vstShortInt && t <= vstCardinal;
}
inline bool IsFloatStorageType(uint8_t t) {
  return (t >= vstSingle && t <= vstExtended) || t == vstCurrency;
}
inline bool IsDateTimeStorageType(uint8_t t) {
  return t >= vstDate && t <= vstDateTime;
}
// Text or bytes declared types, GUID excluded.
inline bool IsTextOrBytesDataType(uint8_t t) {
  return (t >= vdtChar && t <= vdtWideString) || IsBytesDataType(t);
}
// Declared types whose value can be shown as one text (not BYTES, VARBYTES, BLOB, GRAPHIC, GUID).
inline bool IsDisplayableDataType(uint8_t t) {
  return (t >= vdtChar && t <= vdtTimeStamp) || (t >= vdtMemo && t <= vdtWideMemo);
}
