// TVexRecordKeyRef: the keys of a record index, built from the indexed fields of a record.
// A key column is a null flag (1 = NULL) and the field's value, or only its first characters
// for a prefix column; columns compare by the field's type, descending and case-insensitive
// columns as declared, and equal keys are ordered by record identifier.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/base/VexTypes.h"
#include "engine/storage/VexBTreeKeyRef.h"

struct TVexRecordKeyColumn {
  int32_t KeyOffset = 0;      // offset in a page key
  int32_t FullKeyOffset = 0;  // offset in a full key
  int32_t RecordOffset = 0;   // the field's offset in the record buffer
  int32_t StoredOffset = 0;   // the field's offset in the stored record
  int32_t FieldNo = 0;        // bit of the null bitmap
  int32_t KeyColumnSize = 0;  // null flag and value bytes in a page key
  int32_t FullKeyColumnSize = 0;
  int32_t Truncation = 0;  // 2 for a prefix column (room for a terminator)
  TVexStorageType DataType = vstUnknown;
  bool Descending = false;
  bool CaseInsensitive = false;
  int32_t CompareLength = -1;  // characters compared, -1 = the whole value
};

class TVexRecordKeyRef : public TVexBTreeKeyRef {
 public:
  // Reads the full key of a stored record by its identifier; false when it cannot be read.
  using TFetchFullKey =
      std::function<bool(int32_t sessionId, const uint8_t* recordId, uint8_t* fullKey)>;

  TVexRecordKeyRef();

  // Appends a column for a field with this storage type, declared length, slot size and
  // offsets. indexLength is the index definition's prefix length: a text or bytes field longer
  // than it is kept as a prefix column.
  void AddColumn(TVexStorageType type, int32_t slotSize, int32_t recordOffset, int32_t storedOffset,
                 int32_t fieldNo, int32_t indexLength, bool descending, bool caseInsensitive);
  void ClearColumns();

  void SetColumnCount(int32_t n) override;
  int CompareKeys(const uint8_t* a, const uint8_t* b, const uint8_t* dataA, const uint8_t* dataB,
                  int32_t sessionId, bool resolveTies) override;
  int CompareFullKeys(const uint8_t* a, const uint8_t* b) override;

  // Page key from a record buffer (null flags from its null bitmap).
  void BuildKey(const uint8_t* recordBuffer, uint8_t* key) const;
  // Full keys from a record buffer or from a stored record.
  void BuildFullKey(const uint8_t* recordBuffer, uint8_t* fullKey) const;
  void BuildFullKeyFromStored(const uint8_t* storedRecord, uint8_t* fullKey) const;
  // Record identifiers order by page number, then slot.
  static int CompareRecordIds(const uint8_t* a, const uint8_t* b);

  std::vector<TVexRecordKeyColumn> Columns;
  // How ties between truncated prefix columns are resolved: the full key of an operand with a
  // record identifier comes from FetchFullKey, that of an operand without one (a search key)
  // from SearchFullKey.
  TFetchFullKey FetchFullKey;
  const uint8_t* SearchFullKey = nullptr;
  bool HasPrefixColumns = false;

 private:
  int CompareColumn(const TVexRecordKeyColumn& c, const uint8_t* a, const uint8_t* b, bool full,
                    bool* truncatedTie) const;
  void BuildFrom(const uint8_t* record, int32_t offsetOf, uint8_t* out, bool full) const;
  const uint8_t* FullKeyOf(int32_t sessionId, const uint8_t* data, std::vector<uint8_t>& buffer);

  std::vector<uint8_t> fullA_, fullB_;
};
