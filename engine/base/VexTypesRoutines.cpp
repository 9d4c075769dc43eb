// The type table and its lookup, size and name routines.
#include "engine/base/VexTypesRoutines.h"

#include <cctype>
#include <cstdint>
#include <string>

#include "engine/base/VexExcept.h"

namespace {

constexpr TVexTypeTableRow kTypeTable[] = {
    {"CHAR", vdtChar, vstChar, ftFixedChar},
    {"FIXEDCHAR", vdtChar, vstChar, ftFixedChar},
    {"STRING", vdtString, vstString, ftString},
    {"VARCHAR", vdtString, vstString, ftString},
    {"VARCHAR2", vdtString, vstString, ftString},
    {"WIDECHAR", vdtWideChar, vstWideChar, ftWideString},
    {"FIXEDWIDECHAR", vdtWideChar, vstWideChar, ftWideString},
    {"WIDESTRING", vdtWideString, vstWideString, ftWideString},
    {"WIDEVARCHAR", vdtWideString, vstWideString, ftWideString},
    {"SMALLINT", vdtSmallInt, vstSmallInt, ftSmallint},
    {"SIGNEDINT16", vdtSmallInt, vstSmallInt, ftSmallint},
    {"SHORTINT", vdtShortInt, vstShortInt, ftSmallint},
    {"SIGNEDINT8", vdtShortInt, vstShortInt, ftSmallint},
    {"INTEGER", vdtInteger, vstInteger, ftInteger},
    {"SIGNEDINT32", vdtInteger, vstInteger, ftInteger},
    {"LARGEINT", vdtLargeInt, vstLargeInt, ftLargeint},
    {"INT64", vdtLargeInt, vstLargeInt, ftLargeint},
    {"SIGNEDINT64", vdtLargeInt, vstLargeInt, ftLargeint},
    {"WORD", vdtWord, vstWord, ftWord},
    {"UNSIGNEDINT16", vdtWord, vstWord, ftWord},
    {"BYTE", vdtByte, vstByte, ftWord},
    {"UNSIGNEDINT8", vdtByte, vstByte, ftWord},
    {"CARDINAL", vdtCardinal, vstCardinal, ftLargeint},
    {"UNSIGNEDINT32", vdtCardinal, vstCardinal, ftLargeint},
    {"AUTOINC", vdtAutoInc, vstInteger, ftAutoInc},
    {"AUTOINCSHORTINT", vdtAutoIncShortInt, vstShortInt, ftAutoInc},
    {"AUTOINCSMALLINT", vdtAutoIncSmallInt, vstSmallInt, ftAutoInc},
    {"AUTOINCINTEGER", vdtAutoIncInteger, vstInteger, ftAutoInc},
    {"AUTOINCLARGEINT", vdtAutoIncLargeInt, vstLargeInt, ftLargeint},
    {"AUTOINCBYTE", vdtAutoIncByte, vstByte, ftAutoInc},
    {"AUTOINCWORD", vdtAutoIncWord, vstWord, ftAutoInc},
    {"AUTOINCCARDINAL", vdtAutoIncCardinal, vstCardinal, ftAutoInc},
    {"FLOAT", vdtFloat, vstFloat, ftFloat},
    {"FLOAT", vdtFloat, vstFloat, ftBCD},
    {"SINGLE", vdtSingle, vstSingle, ftFloat},
    {"DOUBLE", vdtFloat, vstFloat, ftFloat},
    {"EXTENDED", vdtExtended, vstExtended, ftFloat},
    {"LOGICAL", vdtLogical, vstLogical, ftBoolean},
    {"BOOLEAN", vdtLogical, vstLogical, ftBoolean},
    {"BOOL", vdtLogical, vstLogical, ftBoolean},
    {"BIT", vdtLogical, vstLogical, ftBoolean},
    {"CURRENCY", vdtCurrency, vstCurrency, ftCurrency},
    {"MONEY", vdtCurrency, vstCurrency, ftCurrency},
    {"DATE", vdtDate, vstDate, ftDate},
    {"TIME", vdtTime, vstTime, ftTime},
    {"DATETIME", vdtDateTime, vstDateTime, ftDateTime},
    {"TIMESTAMP", vdtTimeStamp, vstDateTime, ftTimeStamp},
    {"BYTES", vdtBytes, vstBytes, ftBytes},
    {"VARBYTES", vdtVarBytes, vstVarBytes, ftVarBytes},
    {"BLOB", vdtBlob, vstBlob, ftBlob},
    {"BLOB", vdtBlob, vstBlob, ftParadoxOle},
    {"BLOB", vdtBlob, vstBlob, ftTypedBinary},
    {"BLOB", vdtBlob, vstBlob, ftDBaseOle},
    {"BLOB", vdtBlob, vstBlob, ftOraBlob},
    {"BLOB", vdtBlob, vstBlob, ftOraClob},
    {"GRAPHIC", vdtGraphic, vstBlob, ftGraphic},
    {"MEMO", vdtMemo, vstMemo, ftMemo},
    {"CLOB", vdtMemo, vstMemo, ftMemo},
    {"FORMATTEDMEMO", vdtFormattedMemo, vstMemo, ftFmtMemo},
    {"WIDEMEMO", vdtWideMemo, vstWideMemo, ftBlob},
    {"WIDECLOB", vdtWideMemo, vstWideMemo, ftMemo},
    {"GUID", vdtGuid, vstChar, ftGuid},
};
static_assert(std::size(kTypeTable) == 62);

template <class Pred>
const TVexTypeTableRow* FindRow(Pred pred) {
  for (const TVexTypeTableRow& row : kTypeTable)
    if (pred(row)) return &row;
  return nullptr;
}

}  // namespace

std::span<const TVexTypeTableRow> VexTypeTable() {
  return kTypeTable;
}

TVexStorageType DataTypeToStorageType(TVexDataType dataType) {
  const auto* row = FindRow([&](const auto& r) { return r.DataType == dataType; });
  return row ? row->StorageType : vstUnknown;
}

TVexDataType StorageTypeToDataType(TVexStorageType storageType) {
  const auto* row = FindRow([&](const auto& r) { return r.StorageType == storageType; });
  return row ? row->DataType : vdtUnknown;
}

TFieldType DataTypeToFieldType(TVexDataType dataType) {
  const auto* row = FindRow([&](const auto& r) { return r.DataType == dataType; });
  return row ? row->FieldType : ftUnknown;
}

TVexDataType FieldTypeToDataType(TFieldType fieldType) {
  const auto* row = FindRow([&](const auto& r) { return r.FieldType == fieldType; });
  if (!row) throw EVexException(30289, "Unknown DataType: '%s'", {std::to_string(int(fieldType))});
  return row->DataType;
}

std::string DataTypeName(TVexDataType dataType) {
  const auto* row = FindRow([&](const auto& r) { return r.DataType == dataType; });
  return row ? row->SqlName : "Unknown";
}

std::string StorageTypeName(TVexStorageType storageType) {
  const auto* row = FindRow([&](const auto& r) { return r.StorageType == storageType; });
  return row ? row->SqlName : "Unknown";
}

TVexDataType SqlNameToDataType(const std::string& name) {
  std::string upper(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  const auto* row = FindRow([&](const auto& r) { return upper == r.SqlName; });
  return row ? row->DataType : vdtUnknown;
}

int32_t StorageTypeSize(TVexStorageType storageType, int32_t length) {
  int64_t size;
  switch (storageType) {
    case vstChar:
    case vstString:
    case vstBytes:
    case vstVarBytes:
      size = int64_t(length) + 1;
      break;
    case vstWideChar:
    case vstWideString:
      size = (int64_t(length) + 1) * 2;
      break;
    case vstShortInt:
    case vstByte:
      return 1;
    case vstSmallInt:
    case vstWord:
    case vstLogical:
      return 2;
    case vstInteger:
    case vstCardinal:
    case vstSingle:
    case vstDate:
    case vstTime:
      return 4;
    case vstLargeInt:
    case vstFloat:
    case vstDateTime:
    case vstCurrency:
      return 8;
    case vstExtended:
    case vstBlob:
    case vstMemo:
    case vstWideMemo:
      return 10;
    default:
      throw EVexException(30050, "Unknown DataType: '%s'", {StorageTypeName(storageType)});
  }
  // A negative declared length or one whose slot does not fit 32 bits has no valid slot.
  if (length < 0 || size > INT32_MAX) throw EVexException(30054, "Arithmetic overflow");
  return int32_t(size);
}

int32_t StoredTypeSize(TVexStorageType storageType, int32_t length) {
  if (IsBlobStorageType(storageType)) return kVexStoredBlobSlotSize;
  return StorageTypeSize(storageType, length);
}
