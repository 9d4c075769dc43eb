// TVexRecordKeyRef: key columns, key building and comparison.
#include "engine/storage/VexRecordKeyRef.h"

#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexValueCompare.h"
#include "platform/LittleEndian.h"

namespace {

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// True when a prefix value fills its prefix without a terminator, so the field may go on.
bool FillsPrefix(TVexStorageType type, const uint8_t* value, int32_t prefixBytes) {
  if (IsWideStorageType(type)) {
    for (int32_t i = 0; i + 1 < prefixBytes; i += 2)
      if (value[i] == 0 && value[i + 1] == 0) return false;
    return true;
  }
  if (IsTextStorageType(type)) return std::memchr(value, 0, size_t(prefixBytes)) == nullptr;
  return true;
}

}  // namespace

TVexRecordKeyRef::TVexRecordKeyRef() {
  DataSize = 6;
  HasRecordIds = true;
}

void TVexRecordKeyRef::ClearColumns() {
  Columns.clear();
  KeySize = FullKeySize = ColumnCount = 0;
  HasPrefixColumns = false;
}

void TVexRecordKeyRef::AddColumn(TVexStorageType type, int32_t slotSize, int32_t recordOffset,
                                 int32_t storedOffset, int32_t fieldNo, int32_t indexLength,
                                 bool descending, bool caseInsensitive) {
  TVexRecordKeyColumn c;
  c.DataType = type;
  c.RecordOffset = recordOffset;
  c.StoredOffset = storedOffset;
  c.FieldNo = fieldNo;
  c.Descending = descending;
  c.CaseInsensitive = caseInsensitive;
  c.FullKeyColumnSize = slotSize + 1;
  c.KeyColumnSize = slotSize + 1;
  const bool prefixable = IsTextStorageType(type) || type == vstBytes || type == vstVarBytes;
  // The prefix length counts characters; a wide character takes two bytes.
  const int32_t prefixBytes = IsWideStorageType(type) ? indexLength * 2 : indexLength;
  if (prefixable && indexLength > 0 && prefixBytes < slotSize) {
    c.KeyColumnSize = prefixBytes + 3;
    c.Truncation = 2;
    HasPrefixColumns = true;
  }
  c.KeyOffset = KeySize;
  c.FullKeyOffset = FullKeySize;
  KeySize += c.KeyColumnSize;
  FullKeySize += c.FullKeyColumnSize;
  Columns.push_back(c);
  ColumnCount = int32_t(Columns.size());
}

void TVexRecordKeyRef::SetColumnCount(int32_t n) {
  ColumnCount = n < 0 || n > int32_t(Columns.size()) ? int32_t(Columns.size()) : n;
}

void TVexRecordKeyRef::BuildFrom(const uint8_t* record, int32_t offsetOf, uint8_t* out,
                                 bool full) const {
  for (const TVexRecordKeyColumn& c : Columns) {
    uint8_t* col = out + (full ? c.FullKeyOffset : c.KeyOffset);
    const int32_t size = full ? c.FullKeyColumnSize : c.KeyColumnSize;
    std::memset(col, 0, size_t(size));
    if (GetNullBit(record, c.FieldNo)) {
      col[0] = 1;
      continue;
    }
    const int32_t valueBytes = size - 1 - (full ? 0 : c.Truncation);
    std::memcpy(col + 1, record + (offsetOf == 0 ? c.RecordOffset : c.StoredOffset),
                size_t(valueBytes));
  }
}

void TVexRecordKeyRef::BuildKey(const uint8_t* recordBuffer, uint8_t* key) const {
  BuildFrom(recordBuffer, 0, key, false);
}

void TVexRecordKeyRef::BuildFullKey(const uint8_t* recordBuffer, uint8_t* fullKey) const {
  BuildFrom(recordBuffer, 0, fullKey, true);
}

void TVexRecordKeyRef::BuildFullKeyFromStored(const uint8_t* storedRecord, uint8_t* fullKey) const {
  BuildFrom(storedRecord, 1, fullKey, true);
}

int TVexRecordKeyRef::CompareRecordIds(const uint8_t* a, const uint8_t* b) {
  const int r = Sign(ReadInt32LE(a), ReadInt32LE(b));
  return r != 0 ? r : Sign(ReadUInt16LE(a + 4), ReadUInt16LE(b + 4));
}

int TVexRecordKeyRef::CompareColumn(const TVexRecordKeyColumn& c, const uint8_t* a,
                                    const uint8_t* b, bool full, bool* truncatedTie) const {
  const int32_t offset = full ? c.FullKeyOffset : c.KeyOffset;
  const uint8_t* x = a + offset;
  const uint8_t* y = b + offset;
  int r;
  if (x[0] || y[0]) {
    r = x[0] && y[0] ? 0 : x[0] ? -1 : 1;  // NULL before any value
  } else {
    const int32_t size = (full ? c.FullKeyColumnSize : c.KeyColumnSize) - 1;
    ++x;
    ++y;
    switch (c.DataType) {
      case vstShortInt:
        r = Sign(int8_t(x[0]), int8_t(y[0]));
        break;
      case vstByte:
        r = Sign(x[0], y[0]);
        break;
      case vstSmallInt:
        r = Sign(ReadInt16LE(x), ReadInt16LE(y));
        break;
      case vstWord:
        r = Sign(ReadUInt16LE(x), ReadUInt16LE(y));
        break;
      case vstInteger:
      case vstDate:
      case vstTime:
        r = Sign(ReadInt32LE(x), ReadInt32LE(y));
        break;
      case vstCardinal:
        r = Sign(ReadUInt32LE(x), ReadUInt32LE(y));
        break;
      case vstLargeInt:
        r = Sign(ReadInt64LE(x), ReadInt64LE(y));
        break;
      case vstVarBytes:  // no value order of its own: the bytes decide
        r = std::memcmp(x, y, size_t(size));
        r = r < 0 ? -1 : r > 0 ? 1 : 0;
        break;
      default:
        r = VexCompareThreeWay({x, size, c.DataType, false}, {y, size, c.DataType, false},
                               c.CaseInsensitive, c.CompareLength);
        break;
    }
    if (r == 0 && !full && c.Truncation > 0 && truncatedTie) {
      const int32_t prefixBytes = c.KeyColumnSize - 1 - c.Truncation;
      if (FillsPrefix(c.DataType, x, prefixBytes) && FillsPrefix(c.DataType, y, prefixBytes))
        *truncatedTie = true;
    }
  }
  return c.Descending ? -r : r;
}

const uint8_t* TVexRecordKeyRef::FullKeyOf(int32_t sessionId, const uint8_t* data,
                                           std::vector<uint8_t>& buffer) {
  if (!data) return SearchFullKey;
  if (!FetchFullKey) return nullptr;
  buffer.resize(size_t(FullKeySize));
  if (!FetchFullKey(sessionId, data, buffer.data()))
    throw EVexException(20170, "Cannot retreive record for index");
  return buffer.data();
}

int TVexRecordKeyRef::CompareKeys(const uint8_t* a, const uint8_t* b, const uint8_t* dataA,
                                  const uint8_t* dataB, int32_t sessionId, bool resolveTies) {
  bool truncatedTie = false;
  for (int32_t i = 0; i < ColumnCount; ++i) {
    const int r = CompareColumn(Columns[size_t(i)], a, b, false,
                                resolveTies && HasPrefixColumns ? &truncatedTie : nullptr);
    if (r != 0) return r;
  }
  if (truncatedTie) {
    const uint8_t* fullA = FullKeyOf(sessionId, dataA, fullA_);
    const uint8_t* fullB = FullKeyOf(sessionId, dataB, fullB_);
    if (fullA && fullB) {
      const int r = CompareFullKeys(fullA, fullB);
      if (r != 0) return r;
    }
  }
  if (dataA && dataB) return CompareRecordIds(dataA, dataB);
  return 0;
}

int TVexRecordKeyRef::CompareFullKeys(const uint8_t* a, const uint8_t* b) {
  for (int32_t i = 0; i < ColumnCount; ++i) {
    const int r = CompareColumn(Columns[size_t(i)], a, b, true, nullptr);
    if (r != 0) return r;
  }
  return 0;
}
